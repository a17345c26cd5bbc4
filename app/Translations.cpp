// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

#include "convert/ProgramFiles.h"

namespace {

constexpr char kBaseName[] = "vantoria";

std::unique_ptr<QTranslator> &Installed() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

// Qt's own texts (the standard buttons, the file, folder and colour
// choosers), from the translations Qt is installed with.
std::unique_ptr<QTranslator> &InstalledQt() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

void Replace(std::unique_ptr<QTranslator> &slot, std::unique_ptr<QTranslator> translator) {
    if (slot) {
        QCoreApplication::removeTranslator(slot.get());
        slot.reset();
    }
    if (translator) {
        QCoreApplication::installTranslator(translator.get());
        slot = std::move(translator);
    }
}

void InstallQtTranslation(const QLocale &locale) {
    auto translator = std::make_unique<QTranslator>();
    const bool loaded = translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                                         QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    Replace(InstalledQt(), loaded ? std::move(translator) : nullptr);
}

UiLanguage &Current() {
    static UiLanguage language = UiLanguage::Chinese;
    return language;
}

// The first of the locale's UI languages that has a translation, or
// English when none has.
bool Load(QTranslator &translator, const QLocale &locale, const QString &folder) {
    return translator.load(locale, QString::fromLatin1(kBaseName), QStringLiteral("_"), folder) ||
           translator.load(QStringLiteral("%1_en").arg(QLatin1String(kBaseName)), folder);
}

} // namespace

UiLanguage InstallTranslation(const QLocale &locale, const QString &folder) {
    const QString where = folder.isEmpty() ? QString::fromStdString(DataFolder()) : folder;
    InstallQtTranslation(locale);
    auto translator = std::make_unique<QTranslator>();
    if (!Load(*translator, locale, where)) {
        Replace(Installed(), nullptr);
        Current() = UiLanguage::Chinese;
        return Current();
    }
    Current() = translator->language().startsWith(QLatin1String("zh")) ? UiLanguage::Chinese
                                                                       : UiLanguage::English;
    Replace(Installed(), std::move(translator));
    return Current();
}

UiLanguage CurrentUiLanguage() {
    return Current();
}

const char *HelpFileName() {
    return Current() == UiLanguage::English ? "help_en.html" : "help.html";
}
