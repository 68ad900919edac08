// Text at the border between the core (Shift_JIS byte strings) and the widgets (QString),
// and the Japanese user-interface font.
#pragma once

#include <QFont>
#include <QString>
#include <string>

namespace corvane::ui {

// A Shift_JIS text from the core as a widget text, and back.
QString FromSjis(const std::string& sjis);
std::string ToSjis(const QString& text);

// A file path from a file dialog (native, UTF-8 here) as the core's Shift_JIS path, and back.
std::string PathToSjis(const QString& path);
QString PathFromSjis(const std::string& sjis);

// The font the window's controls use: a Japanese sans-serif face at 9 points, standing in
// for the Windows dialog fonts; the platform's default where no such face is installed.
QFont UiFont();

}  // namespace corvane::ui
