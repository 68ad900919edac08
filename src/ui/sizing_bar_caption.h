// The caption band of a docking bar: a thin strip with the bar's title and a small close
// button. Docked at the top or bottom the band stands upright at the bar's left edge, so the
// bar gives its height to its contents; docked at a side or floating it lies along the top.
// It shows whether the keyboard focus is inside the bar: filled in the selection colour
// then, only framed otherwise. Presses outside the button go on to the dock, which moves,
// floats and docks the bar by them.
#pragma once

#include <QDockWidget>
#include <QPointer>
#include <QWidget>

namespace corvane::ui {

class CSizingBarCaption : public QWidget {
    Q_OBJECT
public:
    // Becomes the title bar of `dock`.
    explicit CSizingBarCaption(QDockWidget* dock);

    // Whether the band stands upright (the bar is docked at the top or bottom).
    bool IsVertical() const;
    // Whether a widget inside the bar has the keyboard focus.
    bool IsActive() const { return m_bActive; }
    // The close button's state: under the mouse, and pressed with the mouse over it.
    bool IsCloseHot() const { return m_bHot; }
    bool IsClosePushed() const { return m_bPressed && m_bHot; }
    // The close button's square, in this widget's coordinates; empty when the bar cannot be
    // closed.
    QRect CloseButtonRect() const;
    // The band's thickness in pixels for the current font.
    int Thickness() const;

    // Whether the title is drawn on an upright band too (off at first: an upright band is
    // narrow and the title would read sideways).
    bool HasVerticalTitle() const { return m_bVerticalTitle; }
    void SetVerticalTitle(bool on);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    QFont CaptionFont() const;
    void UpdateOrientation();
    void OnFocusChanged(QWidget* now);
    void SetHot(bool hot);

    QPointer<QDockWidget> m_pDock;
    bool m_bActive = false;
    bool m_bHot = false;
    bool m_bPressed = false;
    bool m_bVerticalTitle = false;
};

}  // namespace corvane::ui
