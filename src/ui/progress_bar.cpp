#include "ui/progress_bar.h"

#include <QEvent>
#include <QFontMetrics>

#include "ui/status_bar.h"

namespace corvane::ui {

QRect ProgressRect(int left, int top, int right, int bottom, int labelWidth, int blankWidth,
                   bool hasLabel, int widthShare) {
    if (hasLabel) left += labelWidth + 4 * blankWidth;
    // Integer division rounds towards zero, as the share of a pixel is dropped.
    right = right - ((100 - widthShare) * (right - left)) / 100;
    if (right < left) right = left;
    const int h = (bottom - top) / 10;
    top += h;
    bottom -= h;
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

bool CProgressBar::CreateInStatusBar(CStatusBar* statusBar, const QString& label, int widthShare,
                                     int upper, bool smooth, int pane) {
    if (statusBar == nullptr || pane < 0 || pane >= statusBar->GetPaneCount()) return false;
    m_pStatusBar = statusBar;
    setParent(statusBar);
    setObjectName(QStringLiteral("progressBar"));
    setTextVisible(false);
    // A smooth bar fills continuously; the other look is the platform's stepped default.
    if (!smooth) setStyleSheet(QStringLiteral("QProgressBar::chunk { width: 6px; margin: 1px; }"));
    setRange(0, upper);
    setValue(0);
    m_strLabel = label;
    m_nWidthShare = widthShare;
    m_nPane = pane;
    m_strPrevText = statusBar->GetPaneText(pane);
    statusBar->GetPane(pane)->installEventFilter(this);
    show();
    raise();
    Reposition();
    return true;
}

CProgressBar::~CProgressBar() {
    if (m_pStatusBar == nullptr) return;
    hide();
    m_pStatusBar->GetPane(m_nPane)->removeEventFilter(this);
    m_pStatusBar->SetPaneText(m_nPane, m_nPane == 0 ? tr("レディ") : m_strPrevText);
}

void CProgressBar::Reposition() {
    if (m_pStatusBar == nullptr) return;
    if (isVisible()) m_pStatusBar->SetPaneText(m_nPane, m_strLabel);
    const QFontMetrics metrics(m_pStatusBar->font());
    const QRect pane = m_pStatusBar->GetPaneRect(m_nPane);
    const QRect rect = ProgressRect(
        pane.left(), pane.top(), pane.left() + pane.width(), pane.top() + pane.height(),
        metrics.horizontalAdvance(m_strLabel), metrics.horizontalAdvance(QLatin1Char(' ')),
        !m_strLabel.isEmpty(), m_nWidthShare);
    if (rect != m_rect) {
        setGeometry(rect);
        m_rect = rect;
    }
}

bool CProgressBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Move) Reposition();
    return QProgressBar::eventFilter(watched, event);
}

}  // namespace corvane::ui
