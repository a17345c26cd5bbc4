// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "settings/sheets/CMyPropSheet.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "settings/sheets/SettingsPage.h"

CMyPropSheet::CMyPropSheet(const QString &caption, QWidget *parent)
    : QDialog(parent), m_tabs(new QTabWidget(this)), m_ok(new QPushButton(tr("确定"), this)),
      m_cancel(new QPushButton(tr("取消"), this)) {
    setWindowTitle(caption);
    setModal(true);
    setSizeGripEnabled(true);

    m_ok->setObjectName(QStringLiteral("ctl_1"));
    m_cancel->setObjectName(QStringLiteral("ctl_2"));
    m_ok->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);

    // The sheet opens wide enough for every tab (OpeningSize); made narrower
    // than that, the tabs scroll as a tab bar does.
    m_tabs->setUsesScrollButtons(true);
    m_tabs->tabBar()->setExpanding(false);
    m_tabs->setElideMode(Qt::ElideNone);

    connect(m_tabs, &QTabWidget::currentChanged, this, &CMyPropSheet::OnTabChanged);
    connect(m_ok, &QPushButton::clicked, this, &CMyPropSheet::OnOK);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

CMyPropSheet::~CMyPropSheet() = default;

void CMyPropSheet::AddPage(CSettingsPage *page) {
    // The sheet speaks in its pages' font.
    if (m_pages.empty())
        setFont(dlgtpl::DialogFont(page->Template()));
    m_pages.push_back(page);
    m_tabs->addTab(page, page->Caption());
}

void CMyPropSheet::SetStartPage(int index) {
    if (!m_bInitialised && index >= 0 && index < PageCount())
        m_tabs->setCurrentIndex(index);
}

QSize CMyPropSheet::OpeningSize() const {
    const QSize hint = sizeHint();
    const int tabsWide = m_tabs->tabBar()->sizeHint().width() + hint.width() -
                         m_tabs->sizeHint().width() + 2 * m_tabs->tabBar()->height();
    return {std::max(hint.width(), tabsWide), hint.height()};
}

void CMyPropSheet::OnInitDialog() {
    if (m_bInitialised)
        return;
    m_bInitialised = true;
    resize(OpeningSize());
    m_nCurrent = m_tabs->currentIndex();
    if (m_nCurrent >= 0)
        m_pages[m_nCurrent]->Create();
}

void CMyPropSheet::showEvent(QShowEvent *event) {
    OnInitDialog();
    QDialog::showEvent(event);
}

void CMyPropSheet::OnTabChanged(int index) {
    if (!m_bInitialised)
        return; // adding the first tab selects it before the sheet is set up
    if (m_nCurrent >= 0 && m_nCurrent < PageCount() && m_pages[m_nCurrent]->IsCreated())
        m_pages[m_nCurrent]->DoDataExchange(true);
    m_nCurrent = index;
    if (index >= 0 && index < PageCount())
        m_pages[index]->Create();
}

bool CMyPropSheet::PagesConfirm() {
    for (int i = 0; i < PageCount(); ++i) {
        const QString refusal = m_pages[i]->IsCreated() ? m_pages[i]->Refusal() : QString();
        if (!refusal.isEmpty()) {
            m_tabs->setCurrentIndex(i);
            QMessageBox::warning(this, QStringLiteral("Quorvane Vantoria"), refusal);
            return false;
        }
    }
    return true;
}

void CMyPropSheet::OnOK() {
    if (!PagesConfirm())
        return;
    bool saved = true;
    for (CSettingsPage *page : m_pages)
        if (page->IsCreated() && !page->OnOK())
            saved = false;
    m_bSaved = saved;
    if (!saved && !m_pages.empty()) {
        QMessageBox::warning(this, QStringLiteral("Quorvane Vantoria"),
                             tr("The settings could not be saved to %1.")
                                 .arg(QString::fromStdString(m_pages.front()->IniPath())));
    }
    accept();
}
