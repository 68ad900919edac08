#include "ui/sizing_bar_caption.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QFontInfo>
#include <QHelpEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace corvane::ui {
namespace {

// The band is 12 pixels at the usual screen resolution; a larger font widens it so that the
// title still fits.
constexpr int kMinThickness = 12;
constexpr int kMinButton = 11;
// Room between the band's end and the title.
constexpr int kTitleIndent = 4;

}  // namespace

CSizingBarCaption::CSizingBarCaption(QDockWidget* dock) : QWidget(dock), m_pDock(dock) {
    setObjectName(QStringLiteral("caption"));
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    dock->setTitleBarWidget(this);
    connect(dock, &QDockWidget::dockLocationChanged, this, [this] { UpdateOrientation(); });
    connect(dock, &QDockWidget::topLevelChanged, this, [this] { UpdateOrientation(); });
    connect(dock, &QDockWidget::featuresChanged, this, [this] { update(); });
    connect(dock, &QWidget::windowTitleChanged, this, [this] { update(); });
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
    OnFocusChanged(QApplication::focusWidget());
    UpdateOrientation();
}

QFont CSizingBarCaption::CaptionFont() const {
    // A little smaller than the bar's own text, as captions of tool windows are.
    QFont font = this->font();
    if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * 8.2 / 9.0);
    return font;
}

int CSizingBarCaption::Thickness() const {
    return std::max(kMinThickness, QFontInfo(CaptionFont()).pixelSize() + 4);
}

QSize CSizingBarCaption::sizeHint() const {
    // The dock reads the width of an upright band and the height of a lying one.
    const int thickness = Thickness();
    return QSize(thickness, thickness);
}

QSize CSizingBarCaption::minimumSizeHint() const { return sizeHint(); }

bool CSizingBarCaption::IsVertical() const {
    return m_pDock && (m_pDock->features() & QDockWidget::DockWidgetVerticalTitleBar);
}

void CSizingBarCaption::UpdateOrientation() {
    if (!m_pDock) return;
    bool vertical = false;
    if (!m_pDock->isFloating()) {
        if (auto* window = qobject_cast<QMainWindow*>(m_pDock->parentWidget())) {
            const Qt::DockWidgetArea area = window->dockWidgetArea(m_pDock);
            vertical = area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
        }
    }
    if (vertical != IsVertical()) {
        m_pDock->setFeatures(
            m_pDock->features().setFlag(QDockWidget::DockWidgetVerticalTitleBar, vertical));
    }
    update();
}

void CSizingBarCaption::SetVerticalTitle(bool on) {
    if (m_bVerticalTitle == on) return;
    m_bVerticalTitle = on;
    update();
}

void CSizingBarCaption::OnFocusChanged(QWidget* now) {
    const bool active = m_pDock && now != nullptr && (now == m_pDock || m_pDock->isAncestorOf(now));
    if (active == m_bActive) return;
    m_bActive = active;
    update();
}

QRect CSizingBarCaption::CloseButtonRect() const {
    if (!m_pDock || !(m_pDock->features() & QDockWidget::DockWidgetClosable)) return QRect();
    const int thickness = IsVertical() ? width() : height();
    const int side = std::min(std::max(kMinButton, thickness - 4), thickness - 1);
    const int margin = (thickness - side) / 2;
    // At the band's end: its right end when lying, its top when upright.
    if (IsVertical()) return QRect(margin, margin + 1, side, side);
    return QRect(width() - margin - 1 - side, margin, side, side);
}

void CSizingBarCaption::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    // The band keeps a pixel from the bar's contents.
    const QRect band = IsVertical() ? rect().adjusted(0, 0, -1, 0) : rect().adjusted(0, 0, 0, -1);
    QColor text;
    if (m_bActive) {
        painter.fillRect(band, pal.color(QPalette::Active, QPalette::Highlight));
        text = pal.color(QPalette::Active, QPalette::HighlightedText);
    } else {
        painter.setPen(pal.color(QPalette::Disabled, QPalette::WindowText));
        painter.drawRect(band.adjusted(0, 0, -1, -1));
        text = pal.color(QPalette::Active, QPalette::ButtonText);
    }

    const QRect button = CloseButtonRect();
    const QString title = m_pDock ? m_pDock->windowTitle() : QString();
    if (!title.isEmpty() && (!IsVertical() || m_bVerticalTitle)) {
        painter.save();
        painter.setFont(CaptionFont());
        painter.setPen(text);
        QRect area;
        if (IsVertical()) {
            // Upright: the title reads upwards from the band's bottom to the button.
            painter.translate(0, height());
            painter.rotate(-90);
            const int end = button.isNull() ? height() : height() - button.bottom() - 2;
            area = QRect(kTitleIndent, 0, end - kTitleIndent, band.width());
        } else {
            const int end = button.isNull() ? band.right() : button.left() - 2;
            area = QRect(kTitleIndent, 0, end - kTitleIndent, band.height());
        }
        painter.setClipRect(area);
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         painter.fontMetrics().elidedText(title, Qt::ElideRight, area.width()));
        painter.restore();
    }

    if (button.isNull()) return;
    const bool pushed = IsClosePushed();
    if (pushed || m_bHot) {
        qDrawShadePanel(&painter, button, pal, pushed, 1);
    }
    // The cross, drawn rather than taken from a symbol font, so it looks alike everywhere.
    const int inset = std::max(2, button.width() * 2 / 11);
    QRect cross = button.adjusted(inset, inset, -inset, -inset);
    if (pushed) cross.translate(1, 1);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(text);
    pen.setWidth(button.width() >= 15 ? 2 : 1);
    painter.setPen(pen);
    painter.drawLine(cross.topLeft(), cross.bottomRight());
    painter.drawLine(cross.topRight(), cross.bottomLeft());
    if (pen.width() == 1) {
        // A second stroke beside the first makes a small cross bold enough to be seen.
        painter.drawLine(cross.topLeft() + QPoint(1, 0), cross.bottomRight() - QPoint(0, 1));
        painter.drawLine(cross.topRight() - QPoint(1, 0), cross.bottomLeft() - QPoint(0, 1));
    }
}

void CSizingBarCaption::SetHot(bool hot) {
    if (hot == m_bHot) return;
    m_bHot = hot;
    update();
}

void CSizingBarCaption::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && CloseButtonRect().contains(pos)) {
        m_bPressed = true;
        m_bHot = true;
        update();
        event->accept();
        return;
    }
    // The dock moves the bar by the rest of the band.
    event->ignore();
}

void CSizingBarCaption::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click on the button is a second click, not a float toggle.
    if (CloseButtonRect().contains(event->position().toPoint())) {
        mousePressEvent(event);
        return;
    }
    event->ignore();
}

void CSizingBarCaption::mouseMoveEvent(QMouseEvent* event) {
    SetHot(CloseButtonRect().contains(event->position().toPoint()));
    if (m_bPressed) {
        event->accept();
        return;
    }
    event->ignore();
}

void CSizingBarCaption::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_bPressed || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_bPressed = false;
    const bool inside = CloseButtonRect().contains(event->position().toPoint());
    SetHot(inside);
    update();
    event->accept();
    // Released elsewhere: the press is taken back.
    if (inside && m_pDock) m_pDock->close();
}

void CSizingBarCaption::leaveEvent(QEvent* event) {
    if (!m_bPressed) SetHot(false);
    QWidget::leaveEvent(event);
}

void CSizingBarCaption::hideEvent(QHideEvent* event) {
    // A bar that comes back shows its button at rest.
    m_bPressed = false;
    m_bHot = false;
    QWidget::hideEvent(event);
}

bool CSizingBarCaption::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (CloseButtonRect().contains(help->pos())) {
            QToolTip::showText(help->globalPos(), tr("閉じる"), this, CloseButtonRect());
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    if (event->type() == QEvent::FontChange) updateGeometry();
    return QWidget::event(event);
}

}  // namespace corvane::ui
