// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// CSettingsPage: the base of every page of a settings sheet.
//
// A page is an empty widget until the sheet first shows its tab; Create()
// then builds the controls from the page's dialog template and runs
// OnInitDialog, which fills them from the page's own copy of its settings
// group. DoDataExchange copies between the controls and the values bound to
// them (towards the controls when `save` is false, from them when true); the
// sheet runs it when the user leaves the page. OnOK runs the data exchange
// and writes the page's keys into its INI file, in one save; it returns
// false when the file could not be written.
//
// Pages never touch ConvertSettings: the owner re-reads the section after
// the sheet is confirmed. GUI thread only.
#pragma once

#include <QString>
#include <QWidget>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "res/DialogTemplate.h"

class IniFile;

class CSettingsPage : public QWidget {
    Q_OBJECT
public:
    CSettingsPage(const dlgtpl::Dialog &tpl, const char *section, QWidget *parent = nullptr);
    ~CSettingsPage() override;

    // The tab caption (the template's title).
    QString Caption() const;
    // The template's size in pixels.
    QSize TemplateSize() const;
    const dlgtpl::Dialog &Template() const { return m_tpl; }

    // Build the controls and run OnInitDialog, the first time only.
    void Create();
    bool IsCreated() const { return m_bCreated; }

    virtual void DoDataExchange(bool save) = 0;
    // Why the page can't be confirmed as it stands (the user is told, and
    // the sheet stays open), or the empty text when it can. A page that
    // refuses puts the focus on the control to correct. Built pages only.
    virtual QString Refusal() { return QString(); }
    // Write the page's keys; false when the INI file could not be written.
    bool OnOK();

    const std::string &IniPath() const { return m_szIniPath; }

    // The control with `id` on this page (nullptr before Create()).
    QWidget *Item(int id) const { return dlgtpl::FindControl(this, id); }
    template <class T> T *ItemAs(int id) const { return dlgtpl::Control<T>(this, id); }

protected:
    virtual void OnInitDialog() = 0;
    // Put the page's keys into `ini` (in memory); the base saves the file.
    virtual void WriteKeys(IniFile &ini) = 0;

    void SetIniPath(const std::string &path) { m_szIniPath = path; }
    // Write `value` to the page's section under `key` (a key of the table).
    void Write(IniFile &ini, const char *key, std::string_view value);
    void WriteInt(IniFile &ini, const char *key, int value);

    // Data exchange helpers in the manner of the dialog framework.
    void DDX_Check(bool save, int id, int &value);
    void DDX_CBIndex(bool save, int id, int &value);
    void DDX_Radio(bool save, const std::vector<int> &ids, int &value);

    // The text of a control (edit, editable list, static) as UTF-8, at most
    // `maxChars` characters.
    std::string ItemText(int id, std::size_t maxChars) const;
    void SetItemText(int id, const QString &text);
    void EnableItem(int id, bool enable);

private:
    const dlgtpl::Dialog &m_tpl;
    const char *m_section;
    std::string m_szIniPath;
    bool m_bCreated = false;
    bool m_bWriteFailed = false;
};

// Texts of ints, as the pages show and write them ("%d").
QString IntText(int value);
