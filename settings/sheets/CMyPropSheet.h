// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CMyPropSheet: a modal settings sheet, one tab per page.
//
// Pages are added in tab order (the sheet takes ownership). The sheet opens
// as large as its largest page and wide enough to show every tab, and the
// user may make it larger; OK and Cancel sit at the right end of its button
// row, with no Apply and no Help button. A page's controls are built the
// first time its tab is shown (the start page when the sheet opens: the
// first unless SetStartPage chose another);
// leaving a page runs its data exchange from the controls. OK is refused,
// with the reason, while a built page refuses it (CSettingsPage::Refusal);
// otherwise it runs OnOK of every page that was built, in tab order, and
// closes the sheet with Accepted; when a page could not write its file the user is told so before
// the sheet closes. Cancel, Escape and the close box write nothing.
//
// GUI thread only.
#pragma once

#include <QDialog>

#include <vector>

class CSettingsPage;
class QPushButton;
class QTabWidget;

class CMyPropSheet : public QDialog {
    Q_OBJECT
public:
    explicit CMyPropSheet(const QString &caption, QWidget *parent = nullptr);
    ~CMyPropSheet() override;

    void AddPage(CSettingsPage *page);
    // The tab shown when the sheet opens; set before it opens. An index
    // outside the pages keeps the first.
    void SetStartPage(int index);
    int PageCount() const { return static_cast<int>(m_pages.size()); }
    CSettingsPage *Page(int index) const { return m_pages.at(index); }
    QTabWidget *Tabs() const { return m_tabs; }
    QPushButton *OkButton() const { return m_ok; }
    QPushButton *CancelButton() const { return m_cancel; }

    // Build the first page; runs on the first show, or earlier when called.
    void OnInitDialog();

    // True after OK when every built page wrote its keys.
    bool Saved() const { return m_bSaved; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The size the sheet opens at: its layout's, widened to show every tab.
    QSize OpeningSize() const;
    void OnTabChanged(int index);
    // True when every built page can be confirmed; otherwise the first that
    // can't is shown with its reason.
    bool PagesConfirm();
    void OnOK();

    QTabWidget *m_tabs;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    std::vector<CSettingsPage *> m_pages;
    int m_nCurrent = -1;
    bool m_bInitialised = false;
    bool m_bSaved = false;
};
