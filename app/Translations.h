// Quorvane Vantoria
// Copyright 2026 Quorvane
// SPDX-License-Identifier: AGPL-3.0-or-later

// Translations: the language the window and its dialogs speak.
//
// The program's source texts are the captions as the templates and the code
// write them (Chinese captions, English messages). Two translations ship
// with it, vantoria_zh.qm (every text as written) and vantoria_en.qm (all of
// them in English), in the data folder (DataFolder(): beside the program in
// a build folder, PREFIX/share/vantoria/ when installed).
//
// Qt's own texts (standard buttons, the file, folder and colour choosers)
// come from the translations installed with Qt (Debian's
// qt6-translations-l10n), in the locale's language when Qt has one.
//
// The locale's UI languages choose, in their order, as Qt reads them
// (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG): the first Chinese or English
// one wins; a locale with neither gets English. When no translation file
// can be read, the source texts show and the language counts as Chinese.
//
// Only what the user reads depends on the language: the help page shown
// and the texts of the controls. Status texts, Profile.ini and every choice
// the program makes from a list read source texts or positions.
// GUI thread only.
#pragma once

#include <QLocale>
#include <QString>

enum class UiLanguage { Chinese, English };

// Load the translation for `locale` from `folder` (DataFolder() when empty)
// and Qt's own for `locale`, and install them into the application,
// replacing those installed before.
// Returns the language now shown.
UiLanguage InstallTranslation(const QLocale &locale = QLocale(), const QString &folder = QString());

// The language InstallTranslation last chose (Chinese before any call).
UiLanguage CurrentUiLanguage();

// The help page of the current language: "help.html" (Chinese) or
// "help_en.html".
const char *HelpFileName();
