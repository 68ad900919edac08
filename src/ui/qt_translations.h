// Qt's own texts (the standard file dialogs, message box buttons, context menus of text
// fields) in the user's language: the translations that come with Qt, for the system
// locale, and in Japanese when no locale is set, as the rest of the program speaks it.
#pragma once

#include <QLocale>
#include <QString>

namespace corvane::ui {

// The locale whose translations are loaded: the system's, or Japanese for the C locale.
QLocale TranslationLocale(const QLocale& system);

// Loads and installs the translations of Qt for TranslationLocale(QLocale::system()) from
// `folder` (empty: Qt's translation folder). True when some were found and installed.
bool InstallQtTranslations(const QString& folder = QString());

}  // namespace corvane::ui
