// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "settings/sheets/CTxtDlg.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include "res/SettingsTemplates.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

namespace {

enum : int {
    IDC_MODE_LAYOUT = 1066,
    IDC_MODE_STREAM = 1067,
    IDC_PAGE_BREAK = 1068,
    IDOK = 1,
    IDCANCEL = 2,
};

} // namespace

CTxtDlg::CTxtDlg(QWidget *parent) : QDialog(parent) {
    setWindowTitle(dlgtpl::TemplateText(dlgtpl::kTplText.caption));
    setModal(true);
    const QSize size = dlgtpl::BuildDialog(dlgtpl::kTplText, this);
    setFixedSize(size);

    auto *ok = dlgtpl::Control<QPushButton>(this, IDOK);
    auto *cancel = dlgtpl::Control<QPushButton>(this, IDCANCEL);
    ok->setAutoDefault(true);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CTxtDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CTxtDlg::Setup(int textMode, int pageBreak, const std::string &iniPath) {
    m_nTextMode = textMode;
    m_bPageBreak = pageBreak;
    m_szIniPath = iniPath;
}

void CTxtDlg::DoDataExchange(bool save) {
    auto *layout = dlgtpl::Control<QAbstractButton>(this, IDC_MODE_LAYOUT);
    auto *stream = dlgtpl::Control<QAbstractButton>(this, IDC_MODE_STREAM);
    auto *pageBreak = dlgtpl::Control<QAbstractButton>(this, IDC_PAGE_BREAK);
    if (save) {
        m_nModeBinding = layout->isChecked() ? 0 : stream->isChecked() ? 1 : -1;
        m_bPageBreakBinding = pageBreak->isChecked() ? 1 : 0;
        return;
    }
    dlgtpl::SetRadioChecked(layout, m_nModeBinding == 0);
    dlgtpl::SetRadioChecked(stream, m_nModeBinding == 1);
    pageBreak->setChecked(m_bPageBreakBinding != 0);
}

void CTxtDlg::OnInitDialog() {
    if (m_bInitialised)
        return;
    m_bInitialised = true;
    m_nModeBinding = m_nTextMode;
    m_bPageBreakBinding = m_bPageBreak;
    DoDataExchange(false);
}

void CTxtDlg::showEvent(QShowEvent *event) {
    OnInitDialog();
    QDialog::showEvent(event);
}

void CTxtDlg::OnOK() {
    DoDataExchange(true);
    IniFile ini(m_szIniPath);
    bool ok = ini.SetInt(kSectionText, "txtmode", m_nModeBinding < 0 ? 0 : m_nModeBinding);
    ok = ini.SetInt(kSectionText, "txtpagebreak", m_bPageBreakBinding) && ok;
    ok = ini.Save() && ok;
    m_bSaved = ok;
    if (!ok)
        QMessageBox::warning(
            this, QStringLiteral("Quorvane Vantoria"),
            tr("The settings could not be saved to %1.").arg(QString::fromStdString(m_szIniPath)));
    accept();
}
