// One page of the project form's tab control: fills its controls from the document and
// moves the user's edits back. Filling sets the loading flag, so it never marks the
// document modified; an edit by the user does, at once.
#pragma once

#include <QWidget>

namespace corvane {
class CCorvaneDoc;
}

namespace corvane::ui {

class CTabPage : public QWidget {
    Q_OBJECT
public:
    CTabPage(CCorvaneDoc& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {}

    virtual QString GetCaption() const = 0;
    virtual void LoadFromDocument() {}
    // Moves the controls' values into the document; true when accepted.
    virtual bool SaveToDocument() = 0;

protected:
    // The user changed a value: the document is modified, unless the page is filling.
    void MarkModified();

    CCorvaneDoc& m_doc;
    bool m_bLoading = false;
};

// Sets the loading flag of a page for one scope.
class CLoadingScope {
public:
    explicit CLoadingScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~CLoadingScope() { m_flag = false; }
    CLoadingScope(const CLoadingScope&) = delete;
    CLoadingScope& operator=(const CLoadingScope&) = delete;

private:
    bool& m_flag;
};

}  // namespace corvane::ui
