// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/CAboutDlg.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include <utility>

#include "app/CHyperLink.h"
#include "res/Icons.h"
#include "res/MainTemplates.h"

CAboutDlg::CAboutDlg(std::string helpPath, QWidget *parent)
    : QDialog(parent), m_szHelpPath(std::move(helpPath)) {
    m_openFile = [this](const std::string &path) {
        const QString file = QString::fromStdString(path);
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
            QMessageBox::information(
                this, QStringLiteral("Quorvane Vantoria"),
                QCoreApplication::translate("CMainDlg", "No program was found to open %1.")
                    .arg(file));
    };

    dlgtpl::BuildOptions options;
    options.factories[dlgtpl::kHyperLinkClass] = [this](const dlgtpl::Row &row, QWidget *host) {
        auto *link = new CHyperLink(QString::fromUtf8(row.text), host);
        link->SetURL(QString::fromUtf8(dlgtpl::kHomePageUrl));
        m_pLink = link;
        return link;
    };
    const QSize size = dlgtpl::BuildDialog(dlgtpl::kTplAbout, this, options);
    setFixedSize(size);
    setWindowTitle(dlgtpl::TemplateText(dlgtpl::kTplAbout.caption));
    setWindowIcon(VantoriaIcon(128));

    if (auto *help = dlgtpl::Control<QPushButton>(this, dlgtpl::IDC_ABOUT_HELP))
        connect(help, &QPushButton::clicked, this, &CAboutDlg::OnHelp);
    if (auto *ok = dlgtpl::Control<QPushButton>(this, dlgtpl::IDC_ABOUT_OK)) {
        ok->setFocus();
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}

void CAboutDlg::OnHelp() {
    if (m_openFile)
        m_openFile(m_szHelpPath);
}
