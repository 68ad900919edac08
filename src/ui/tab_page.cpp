#include "ui/tab_page.h"

#include "project/corvane_doc.h"

namespace corvane::ui {

void CTabPage::MarkModified() {
    if (!m_bLoading) m_doc.SetModifiedFlag(true);
}

}  // namespace corvane::ui
