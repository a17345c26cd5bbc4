// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "settings/sheets/SettingsPage.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>

#include <cassert>

#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

QString IntText(int value) {
    return QString::number(value);
}

CSettingsPage::CSettingsPage(const dlgtpl::Dialog &tpl, const char *section, QWidget *parent)
    : QWidget(parent), m_tpl(tpl), m_section(section) {
    setMinimumSize(TemplateSize());
}

CSettingsPage::~CSettingsPage() = default;

QString CSettingsPage::Caption() const {
    return dlgtpl::TemplateText(m_tpl.caption);
}

QSize CSettingsPage::TemplateSize() const {
    return dlgtpl::DialogSize(m_tpl);
}

void CSettingsPage::Create() {
    if (m_bCreated)
        return;
    m_bCreated = true;
    dlgtpl::BuildDialog(m_tpl, this);
    OnInitDialog();
}

bool CSettingsPage::OnOK() {
    if (!m_bCreated)
        return true;
    DoDataExchange(true);
    // A file that exists but can't be read loads as unreadable, and its
    // Save then refuses, so a page never replaces a file it could not read.
    IniFile ini(m_szIniPath);
    m_bWriteFailed = false;
    WriteKeys(ini);
    const bool saved = ini.Save();
    return saved && !m_bWriteFailed;
}

void CSettingsPage::Write(IniFile &ini, const char *key, std::string_view value) {
    const SettingsKey *k = FindSettingsKey(m_section, key);
    assert(k && "a page writes only keys of the table");
    if (!k || !ini.SetString(k->section, k->key, value))
        m_bWriteFailed = true;
}

void CSettingsPage::WriteInt(IniFile &ini, const char *key, int value) {
    Write(ini, key, std::to_string(value));
}

void CSettingsPage::DDX_Check(bool save, int id, int &value) {
    auto *button = ItemAs<QAbstractButton>(id);
    if (!button)
        return;
    if (save)
        value = button->isChecked() ? 1 : 0;
    else
        button->setChecked(value != 0);
}

void CSettingsPage::DDX_CBIndex(bool save, int id, int &value) {
    auto *combo = ItemAs<QComboBox>(id);
    if (!combo)
        return;
    if (save)
        value = combo->currentIndex();
    else
        combo->setCurrentIndex(value >= 0 && value < combo->count() ? value : -1);
}

void CSettingsPage::DDX_Radio(bool save, const std::vector<int> &ids, int &value) {
    if (save) {
        value = -1;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            auto *button = ItemAs<QAbstractButton>(ids[i]);
            if (button && button->isChecked()) {
                value = static_cast<int>(i);
                break;
            }
        }
        return;
    }
    for (std::size_t i = 0; i < ids.size(); ++i) {
        dlgtpl::SetRadioChecked(ItemAs<QAbstractButton>(ids[i]), static_cast<int>(i) == value);
    }
}

std::string CSettingsPage::ItemText(int id, std::size_t maxChars) const {
    QWidget *w = Item(id);
    QString text;
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        text = edit->text();
    else if (auto *combo = qobject_cast<QComboBox *>(w))
        text = combo->currentText();
    else if (auto *label = qobject_cast<QLabel *>(w))
        text = label->text();
    else if (auto *button = qobject_cast<QAbstractButton *>(w))
        text = button->text();
    return IniCutChars(text.toStdString(), maxChars);
}

void CSettingsPage::SetItemText(int id, const QString &text) {
    QWidget *w = Item(id);
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
        // A limit restrains typing; a longer stored text is shown whole.
        if (edit->maxLength() < text.size())
            edit->setMaxLength(text.size());
        edit->setText(text);
    } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
        combo->setEditText(text);
    } else if (auto *label = qobject_cast<QLabel *>(w)) {
        label->setText(text);
    } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
        button->setText(text);
    }
}

void CSettingsPage::EnableItem(int id, bool enable) {
    if (QWidget *w = Item(id))
        w->setEnabled(enable);
}
