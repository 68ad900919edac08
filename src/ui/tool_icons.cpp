#include "ui/tool_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace corvane::ui {
namespace {

const char* ThemeName(ToolIcon kind) {
    switch (kind) {
        case ToolIcon::kNew:
            return "document-new";
        case ToolIcon::kOpen:
            return "document-open";
        case ToolIcon::kSave:
            return "document-save";
        case ToolIcon::kAbort:
            return "process-stop";
        default:
            return nullptr;
    }
}

// A sheet of paper with a folded corner.
void DrawPage(QPainter& p) {
    QPainterPath path;
    path.moveTo(3, 1);
    path.lineTo(10, 1);
    path.lineTo(13, 4);
    path.lineTo(13, 15);
    path.lineTo(3, 15);
    path.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawPath(path);
    p.drawLine(QPointF(10, 1), QPointF(10, 4));
    p.drawLine(QPointF(10, 4), QPointF(13, 4));
}

void DrawFolder(QPainter& p) {
    p.setPen(QPen(QColor(140, 100, 20), 1));
    p.setBrush(QColor(240, 200, 90));
    p.drawRect(QRectF(1.5, 4.5, 13, 10));
    p.setBrush(QColor(250, 220, 120));
    QPainterPath flap;
    flap.moveTo(1.5, 14.5);
    flap.lineTo(4.5, 7.5);
    flap.lineTo(15.5, 7.5);
    flap.lineTo(14.5, 14.5);
    flap.closeSubpath();
    p.drawPath(flap);
}

void DrawDisk(QPainter& p) {
    p.setPen(QPen(QColor(30, 40, 90), 1));
    p.setBrush(QColor(60, 90, 170));
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
}

// A closed book with a question mark: make the help file.
void DrawHelpBook(QPainter& p) {
    p.setPen(QPen(QColor(20, 70, 40), 1));
    p.setBrush(QColor(40, 140, 80));
    p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 12.5, 9, 2));
    p.setPen(QPen(Qt::white, 1.6));
    QFont font;
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(3, 1, 11, 11), Qt::AlignCenter, QStringLiteral("?"));
}

void DrawStop(QPainter& p) {
    p.setPen(QPen(QColor(120, 20, 20), 1));
    p.setBrush(QColor(210, 40, 40));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
    p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
}

QPixmap Draw(ToolIcon kind, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    switch (kind) {
        case ToolIcon::kNew:
            DrawPage(p);
            break;
        case ToolIcon::kOpen:
            DrawFolder(p);
            break;
        case ToolIcon::kSave:
            DrawDisk(p);
            break;
        case ToolIcon::kCreateHelp:
        case ToolIcon::kApp:
            DrawHelpBook(p);
            break;
        case ToolIcon::kAbort:
            DrawStop(p);
            break;
    }
    return pixmap;
}

}  // namespace

QIcon MakeToolIcon(ToolIcon kind) {
    if (const char* name = ThemeName(kind);
        name && QIcon::hasThemeIcon(QString::fromLatin1(name))) {
        return QIcon::fromTheme(QString::fromLatin1(name));
    }
    QIcon icon;
    for (int size : {16, 24, 32, 48}) icon.addPixmap(Draw(kind, size));
    return icon;
}

}  // namespace corvane::ui
