// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CTxtDlg: the modal text settings dialog ("文字设置").
//
// Setup hands it the text mode, the page-break flag and the INI file. The
// controls are filled when the dialog is first shown; "确定" writes
// "txtmode" and "txtpagebreak" into section "Txt" and closes with Accepted
// (telling the user first when the file could not be written); "取消",
// Escape and the close box write nothing. GUI thread only.
#pragma once

#include <QDialog>

#include <string>

class CTxtDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTxtDlg(QWidget *parent = nullptr);

    void Setup(int textMode, int pageBreak, const std::string &iniPath);
    void DoDataExchange(bool save);
    // Fill the controls; runs on the first show, or earlier when called.
    void OnInitDialog();
    void OnOK();

    bool Saved() const { return m_bSaved; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    int m_nTextMode = 0;
    int m_bPageBreak = 0;
    int m_nModeBinding = 0;
    int m_bPageBreakBinding = 0;
    std::string m_szIniPath;
    bool m_bInitialised = false;
    bool m_bSaved = false;
};
