// A progress bar inside one pane of the status bar, made when a crawl starts and removed
// when it ends. It may follow a label in the pane and take only a share of the pane's
// width; removing it gives the pane its text back.
#pragma once

#include <QProgressBar>
#include <QRect>

namespace corvane::ui {

class CStatusBar;

class CProgressBar : public QProgressBar {
    Q_OBJECT
public:
    CProgressBar() = default;
    // Restores the pane's text: "レディ" for pane 0, the text saved at creation otherwise.
    ~CProgressBar() override;

    // Places the bar in `pane` of `statusBar` (null: fails) with the range 0..upper. The
    // label is shown in the pane before the bar; `widthShare` is the percentage of the
    // pane's width after the label that the bar takes.
    bool CreateInStatusBar(CStatusBar* statusBar, const QString& label, int widthShare, int upper,
                           bool smooth, int pane);
    // Moves the bar to its place in the pane (after a resize of the status bar).
    void Reposition();

    // The rectangle the bar was last placed at, in the status bar's coordinates.
    QRect GetPlacedRect() const { return m_rect; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CStatusBar* m_pStatusBar = nullptr;
    int m_nPane = 0;
    QString m_strLabel;
    int m_nWidthShare = 100;
    QString m_strPrevText;
    QRect m_rect;
};

// The bar's rectangle for a pane rectangle given as left, top, right, bottom (the right and
// bottom edges exclusive), the width of the label and of one blank in the status bar's font.
QRect ProgressRect(int left, int top, int right, int bottom, int labelWidth, int blankWidth,
                   bool hasLabel, int widthShare);

}  // namespace corvane::ui
