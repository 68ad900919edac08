// The main window's client area: the project form, a tab control with the pages "全般" and
// "詳細". Leaving a tab commits its page into the document; a page is refilled from the
// document whenever it is shown; a new or opened project rebuilds the pages.
#pragma once

#include <QTabWidget>
#include <QWidget>
#include <vector>

#include "project/corvane_doc.h"

namespace corvane::ui {

class CTabPage;
class CMiscDlg;
class CDetailDlg;

class CCorvaneView : public QWidget, public CDocViewCallback {
    Q_OBJECT
public:
    CCorvaneView(CCorvaneDoc& doc, QWidget* parent = nullptr);
    ~CCorvaneView() override;

    // A new or opened document: the pages are made anew and show its values, on "全般".
    void OnInitialUpdate();

    // Tab helper operations.
    void BuildPages();
    void LayoutTabs();
    void ShowSelectedPage();
    bool CommitSelectedPage();
    void DestroyPages();

    QTabWidget* GetTabCtrl() const { return m_pTab; }
    CMiscDlg* GetMiscPage() const;
    CDetailDlg* GetDetailPage() const;

    // CDocViewCallback
    bool IsViewVisible() const override { return isVisible(); }
    bool CommitViews() override { return CommitSelectedPage(); }
    void OnDocTitleChanged() override;

signals:
    // The document's title or modified marker changed.
    void TitleChanged();

private:
    void OnCurrentChanged(int index);

    CCorvaneDoc& m_doc;
    QTabWidget* m_pTab;
    std::vector<CTabPage*> m_pages;
    // The tab whose page holds the user's edits; committed when another tab is chosen.
    int m_nShown = -1;
    bool m_bLayingOut = false;
};

}  // namespace corvane::ui
