#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace corvane::ui {

QLocale TranslationLocale(const QLocale& system) {
    // An unset locale (C or POSIX, as under a bare X session or a service) would leave the
    // standard dialogs in English inside a Japanese program.
    if (system.language() == QLocale::C) return QLocale(QLocale::Japanese, QLocale::Japan);
    return system;
}

bool InstallQtTranslations(const QString& folder) {
    const QString from =
        folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    const QLocale locale = TranslationLocale(QLocale::system());
    // "qt" pulls in qtbase and the other modules' files for the locale.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"), from) &&
        !translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), from)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace corvane::ui
