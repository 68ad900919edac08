#include "ui/status_bar.h"

namespace corvane::ui {

CStatusBar::CStatusBar(const std::vector<int>& widths, QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("statusBar"));
    setSizeGripEnabled(false);
    auto* first = new QLabel(this);
    first->setObjectName(QStringLiteral("pane0"));
    first->setMinimumWidth(1);
    addWidget(first, 1);
    m_panes.push_back(first);
    for (int width : widths) {
        auto* pane = new QLabel(QStringLiteral(" "), this);
        pane->setObjectName(QStringLiteral("pane%1").arg(m_panes.size()));
        pane->setFixedWidth(width);
        pane->setFrameShape(QFrame::NoFrame);
        addPermanentWidget(pane);
        m_panes.push_back(pane);
    }
}

QString CStatusBar::GetPaneText(int pane) const { return m_panes.at(pane)->text(); }

void CStatusBar::SetPaneText(int pane, const QString& text) {
    m_panes.at(pane)->setText(text);
    m_panes.at(pane)->repaint();
}

QRect CStatusBar::GetPaneRect(int pane) const { return m_panes.at(pane)->geometry(); }

}  // namespace corvane::ui
