// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CAboutDlg: the About box (template 140), shown modally from the main
// window's About/Help button.
//
// It shows the program icon, the product title, the version, a copyright
// line and a CHyperLink to the program's home page; its Help button opens
// help.html from the program's folder through the desktop. Nothing it does
// is reported: a help file or page that can't be opened is the desktop's
// business. GUI thread only.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

class CHyperLink;

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    // `helpPath` is the full path of help.html.
    explicit CAboutDlg(std::string helpPath, QWidget *parent = nullptr);

    CHyperLink *Link() const { return m_pLink; }
    const std::string &HelpPath() const { return m_szHelpPath; }

    // What the Help button does: opens the help file.
    void OnHelp();

    // How a file is opened; the desktop's default by default. Tests replace it.
    std::function<void(const std::string &path)> m_openFile;

private:
    std::string m_szHelpPath;
    CHyperLink *m_pLink = nullptr;
};
