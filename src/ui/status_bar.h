// The main window's status bar as panes: pane 0 stretches and shows the latest log line;
// further panes have a fixed width. A pane is a label whose rectangle a progress bar can
// occupy.
#pragma once

#include <QLabel>
#include <QStatusBar>
#include <vector>

namespace corvane::ui {

class CStatusBar : public QStatusBar {
    Q_OBJECT
public:
    // Pane 0 and one fixed pane per entry of `widths`.
    explicit CStatusBar(const std::vector<int>& widths, QWidget* parent = nullptr);

    int GetPaneCount() const { return static_cast<int>(m_panes.size()); }
    QString GetPaneText(int pane) const;
    void SetPaneText(int pane, const QString& text);
    // The pane's rectangle in the status bar's coordinates.
    QRect GetPaneRect(int pane) const;
    QLabel* GetPane(int pane) const { return m_panes.at(pane); }

private:
    std::vector<QLabel*> m_panes;
};

}  // namespace corvane::ui
