#include "ui/corvane_view.h"

#include <QVBoxLayout>

#include "ui/detail_dlg.h"
#include "ui/misc_dlg.h"

namespace corvane::ui {

CCorvaneView::CCorvaneView(CCorvaneDoc& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
    setObjectName(QStringLiteral("projectForm"));
    m_pTab = new QTabWidget(this);
    m_pTab->setObjectName(QStringLiteral("tabs"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(7, 7, 7, 7);
    layout->addWidget(m_pTab);
    // Wide enough for a folder path and a URL; the window is sized from the form.
    setMinimumWidth(460);
    connect(m_pTab, &QTabWidget::currentChanged, this,
            [this](int index) { OnCurrentChanged(index); });
    m_doc.AddView(this);
}

CCorvaneView::~CCorvaneView() {
    m_doc.RemoveView(this);
    DestroyPages();
}

CMiscDlg* CCorvaneView::GetMiscPage() const {
    return m_pages.empty() ? nullptr : static_cast<CMiscDlg*>(m_pages[0]);
}

CDetailDlg* CCorvaneView::GetDetailPage() const {
    return m_pages.size() < 2 ? nullptr : static_cast<CDetailDlg*>(m_pages[1]);
}

void CCorvaneView::OnInitialUpdate() {
    DestroyPages();
    BuildPages();
}

void CCorvaneView::BuildPages() {
    m_pages.push_back(new CMiscDlg(m_doc, this));
    m_pages.push_back(new CDetailDlg(m_doc, this));
    LayoutTabs();
    ShowSelectedPage();
}

void CCorvaneView::LayoutTabs() {
    m_bLayingOut = true;
    while (m_pTab->count() > 0) m_pTab->removeTab(0);
    for (CTabPage* page : m_pages) m_pTab->addTab(page, page->GetCaption());
    m_pTab->setCurrentIndex(0);
    m_nShown = m_pages.empty() ? -1 : 0;
    m_bLayingOut = false;
}

void CCorvaneView::ShowSelectedPage() {
    const int selected = m_pTab->currentIndex();
    if (selected >= 0 && selected < static_cast<int>(m_pages.size())) {
        m_pages[selected]->LoadFromDocument();
    }
    m_nShown = selected;
}

bool CCorvaneView::CommitSelectedPage() {
    if (m_nShown < 0 || m_nShown >= static_cast<int>(m_pages.size())) return true;
    return m_pages[m_nShown]->SaveToDocument();
}

void CCorvaneView::DestroyPages() {
    m_bLayingOut = true;
    while (m_pTab->count() > 0) m_pTab->removeTab(0);
    for (CTabPage* page : m_pages) delete page;
    m_pages.clear();
    m_nShown = -1;
    m_bLayingOut = false;
}

void CCorvaneView::OnCurrentChanged(int index) {
    if (m_bLayingOut) return;
    // The page being left holds the edits; it always accepts them, so the change goes on.
    CommitSelectedPage();
    m_nShown = index;
    ShowSelectedPage();
}

void CCorvaneView::OnDocTitleChanged() { emit TitleChanged(); }

}  // namespace corvane::ui
