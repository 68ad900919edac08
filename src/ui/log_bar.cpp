#include "ui/log_bar.h"

namespace corvane::ui {

CCVNLogBar::CCVNLogBar(QWidget* parent) : QDockWidget(tr("ログ"), parent) {
    setObjectName(QStringLiteral("logBar"));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    m_pEdit = new CLogEdit(this);
    setWidget(m_pEdit);
    m_pCaption = new CSizingBarCaption(this);
}

QSize CCVNLogBar::sizeHint() const { return QSize(400, 150); }

}  // namespace corvane::ui
