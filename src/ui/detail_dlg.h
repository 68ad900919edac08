// The form's "詳細" (detail) page: help title, contents start, footer and the WikiName
// conversion, and the opt-out of the certificate's host name and date checks.
#pragma once

#include <QCheckBox>
#include <QLineEdit>

#include "ui/tab_page.h"

namespace corvane::ui {

class CDetailDlg : public CTabPage {
    Q_OBJECT
public:
    CDetailDlg(CCorvaneDoc& doc, QWidget* parent);

    QString GetCaption() const override { return tr("詳細"); }
    void LoadFromDocument() override;
    bool SaveToDocument() override;

    QLineEdit* m_pTitle;
    QLineEdit* m_pTocPat;
    QLineEdit* m_pFooter;
    QCheckBox* m_pConvWikiName;
    QLineEdit* m_pWikiNameSearch;
    QLineEdit* m_pWikiNameReplace;
    QCheckBox* m_pInsecureTls;

private:
    void UpdateWikiNameControls();
};

}  // namespace corvane::ui
