// The log window: a dock titled "ログ" holding the log text box, under a thin caption band.
// It docks on every side, floats, is resized by its inner edge, and the caption's close
// button hides it until the menu command shows it again.
#pragma once

#include <QDockWidget>

#include "ui/log_edit.h"
#include "ui/sizing_bar_caption.h"

namespace corvane::ui {

class CCVNLogBar : public QDockWidget {
    Q_OBJECT
public:
    explicit CCVNLogBar(QWidget* parent = nullptr);

    CLogEdit& GetLogEdit() { return *m_pEdit; }
    CSizingBarCaption& GetCaption() { return *m_pCaption; }

    // The size the bar asks for when first docked.
    QSize sizeHint() const override;

private:
    CLogEdit* m_pEdit;
    CSizingBarCaption* m_pCaption;
};

}  // namespace corvane::ui
