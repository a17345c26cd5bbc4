#include "settings/sheets/CMyPropSheet.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "settings/sheets/SettingsPage.h"

CMyPropSheet::CMyPropSheet(const QString &caption, QWidget *parent)
    : QDialog(parent), m_tabs(new QTabWidget(this)), m_ok(new QPushButton(tr("确定"), this)),
      m_cancel(new QPushButton(tr("取消"), this)) {
    setWindowTitle(caption);
    setModal(true);
    setSizeGripEnabled(false);

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
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The sheet is as wide as its largest page: tabs that do not fit in that
    // width scroll, as a tab bar does, instead of widening every page.
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

void CMyPropSheet::OnInitDialog() {
    if (m_bInitialised)
        return;
    m_bInitialised = true;
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

void CMyPropSheet::OnOK() {
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
