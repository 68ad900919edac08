#include "ui/ui_text.h"

#include <QFontDatabase>

#include "platform/text_codec.h"

namespace corvane::ui {

QString FromSjis(const std::string& sjis) { return QString::fromStdString(SjisToUtf8(sjis)); }

std::string ToSjis(const QString& text) { return Utf8ToSjis(text.toStdString()); }

std::string PathToSjis(const QString& path) {
    return FromNativePath(std::filesystem::path(path.toStdString()));
}

QString PathFromSjis(const std::string& sjis) {
    return QString::fromStdString(ToNativePath(sjis).string());
}

QFont UiFont() {
    QFont font;
    for (const char* family : {"Noto Sans CJK JP", "Noto Sans JP", "IPAPGothic"}) {
        if (QFontDatabase::hasFamily(QString::fromLatin1(family))) {
            font = QFont(QString::fromLatin1(family));
            break;
        }
    }
    font.setPointSize(9);
    return font;
}

}  // namespace corvane::ui
