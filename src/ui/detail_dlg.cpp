#include "ui/detail_dlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "project/corvane_doc.h"
#include "ui/ui_text.h"

namespace corvane::ui {

CDetailDlg::CDetailDlg(CCorvaneDoc& doc, QWidget* parent) : CTabPage(doc, parent) {
    setObjectName(QStringLiteral("detailPage"));
    auto edit = [this](const char* name) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };
    m_pTitle = edit("title");
    m_pTocPat = edit("tocPat");
    m_pFooter = edit("footer");
    m_pConvWikiName = new QCheckBox(tr("WikiName変換を行う"), this);
    m_pConvWikiName->setObjectName(QStringLiteral("convWikiName"));
    m_pWikiNameSearch = edit("wikiNameSearch");
    m_pWikiNameReplace = edit("wikiNameReplace");
    // For an intranet wiki whose certificate names another host or has expired; every run
    // warns about it in the log.
    m_pInsecureTls = new QCheckBox(tr("証明書のホスト名と期限を確認しない"), this);
    m_pInsecureTls->setObjectName(QStringLiteral("insecureTls"));
    m_pInsecureTls->setToolTip(
        tr("社内の Wiki 向け (InsecureTls)。証明書の発行元は確認します。実行のたびに警告します。"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("タイトル:"), this), 0, 0);
    grid->addWidget(m_pTitle, 0, 1);
    grid->addWidget(new QLabel(tr("目次開始:"), this), 1, 0);
    grid->addWidget(m_pTocPat, 1, 1);
    grid->addWidget(new QLabel(tr("フッター:"), this), 2, 0);
    grid->addWidget(m_pFooter, 2, 1);

    auto* wiki = new QGroupBox(tr("WikiName変換"), this);
    auto* wikiGrid = new QGridLayout(wiki);
    wikiGrid->addWidget(m_pConvWikiName, 0, 0, 1, 2);
    wikiGrid->addWidget(new QLabel(tr("検索:"), wiki), 1, 0);
    wikiGrid->addWidget(m_pWikiNameSearch, 1, 1);
    wikiGrid->addWidget(new QLabel(tr("置換:"), wiki), 2, 0);
    wikiGrid->addWidget(m_pWikiNameReplace, 2, 1);

    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addWidget(wiki);
    column->addWidget(m_pInsecureTls);
    column->addStretch(1);

    for (QLineEdit* box : {m_pTitle, m_pTocPat, m_pFooter, m_pWikiNameSearch, m_pWikiNameReplace}) {
        connect(box, &QLineEdit::textChanged, this, [this] { MarkModified(); });
    }
    connect(m_pInsecureTls, &QCheckBox::clicked, this, [this] { MarkModified(); });
    connect(m_pConvWikiName, &QCheckBox::clicked, this, [this] {
        UpdateWikiNameControls();
        MarkModified();
    });
}

void CDetailDlg::UpdateWikiNameControls() {
    const bool on = m_pConvWikiName->isChecked();
    m_pWikiNameSearch->setEnabled(on);
    m_pWikiNameReplace->setEnabled(on);
}

void CDetailDlg::LoadFromDocument() {
    CLoadingScope loading(m_bLoading);
    m_pTitle->setText(FromSjis(m_doc.GetTitle()));
    m_pTocPat->setText(FromSjis(m_doc.GetTocPat()));
    m_pFooter->setText(FromSjis(m_doc.GetFooter()));
    m_pConvWikiName->setChecked(m_doc.GetConvWikiName() != 0);
    m_pWikiNameSearch->setText(FromSjis(m_doc.GetWikiNameSearch()));
    m_pWikiNameReplace->setText(FromSjis(m_doc.GetWikiNameReplace()));
    m_pInsecureTls->setChecked(m_doc.GetInsecureTls() != 0);
    UpdateWikiNameControls();
}

bool CDetailDlg::SaveToDocument() {
    m_doc.SetTitle(ToSjis(m_pTitle->text()));
    m_doc.SetTocPat(ToSjis(m_pTocPat->text()));
    m_doc.SetFooter(ToSjis(m_pFooter->text()));
    m_doc.SetConvWikiName(m_pConvWikiName->isChecked() ? 1 : 0);
    m_doc.SetWikiNameSearch(ToSjis(m_pWikiNameSearch->text()));
    m_doc.SetWikiNameReplace(ToSjis(m_pWikiNameReplace->text()));
    m_doc.SetInsecureTls(m_pInsecureTls->isChecked() ? 1 : 0);
    return true;
}

}  // namespace corvane::ui
