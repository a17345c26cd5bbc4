#include "app/Translations.h"

#include <QCoreApplication>
#include <QTranslator>

#include <memory>

#include "convert/ProgramFiles.h"

namespace {

constexpr char kBaseName[] = "vantoria";

std::unique_ptr<QTranslator> &Installed() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
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
    if (Installed()) {
        QCoreApplication::removeTranslator(Installed().get());
        Installed().reset();
    }
    auto translator = std::make_unique<QTranslator>();
    if (!Load(*translator, locale, where)) {
        Current() = UiLanguage::Chinese;
        return Current();
    }
    Current() = translator->language().startsWith(QLatin1String("zh")) ? UiLanguage::Chinese
                                                                       : UiLanguage::English;
    QCoreApplication::installTranslator(translator.get());
    Installed() = std::move(translator);
    return Current();
}

UiLanguage CurrentUiLanguage() {
    return Current();
}

const char *HelpFileName() {
    return Current() == UiLanguage::English ? "help_en.html" : "help.html";
}
