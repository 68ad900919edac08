#include "ui/misc_dlg.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpressionValidator>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/folder_create.h"
#include "platform/message_box.h"
#include "platform/shell_open.h"
#include "project/corvane_doc.h"
#include "ui/ui_text.h"

namespace corvane::ui {
namespace {

QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

// Only web addresses go to the browser: the field's text is the user's, not a command.
bool OpenInBrowser(const QString& text) {
    const QUrl url = QUrl::fromUserInput(text.trimmed());
    if (!url.isValid() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        return false;
    }
    return ShellOpen(url.toEncoded().toStdString(),
                     [] { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
}

}  // namespace

CMiscDlg::CMiscDlg(CCorvaneDoc& doc, QWidget* parent)
    : CTabPage(doc, parent), m_fnChooseFolder(ChooseFolder), m_fnOpenUrl(OpenInBrowser) {
    setObjectName(QStringLiteral("miscPage"));
    m_pFolder = new QLineEdit(this);
    m_pFolder->setObjectName(QStringLiteral("folder"));
    m_pBrowseFolder = new QPushButton(QStringLiteral("..."), this);
    m_pBrowseFolder->setObjectName(QStringLiteral("browseFolder"));
    m_pBaseName = new QLineEdit(this);
    m_pBaseName->setObjectName(QStringLiteral("baseName"));
    m_pURL = new QLineEdit(this);
    m_pURL->setObjectName(QStringLiteral("url"));
    m_pOpenURL = new QPushButton(QStringLiteral("..."), this);
    m_pOpenURL->setObjectName(QStringLiteral("openUrl"));
    m_pUseAuth = new QCheckBox(tr("ユーザー認証を行う"), this);
    m_pUseAuth->setObjectName(QStringLiteral("useAuth"));
    m_pUser = new QLineEdit(this);
    m_pUser->setObjectName(QStringLiteral("user"));
    m_pPassword = new QLineEdit(this);
    m_pPassword->setObjectName(QStringLiteral("password"));
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pLevel = new QLineEdit(this);
    m_pLevel->setObjectName(QStringLiteral("level"));
    // Digits only when typed; a pasted text that is no number is stored as 0.
    m_pLevel->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_pLevel));
    for (QPushButton* button : {m_pBrowseFolder, m_pOpenURL}) {
        button->setFixedWidth(28);
        button->setAutoDefault(false);
    }

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("フォルダ:"), this), 0, 0);
    grid->addWidget(m_pFolder, 0, 1, 1, 2);
    grid->addWidget(m_pBrowseFolder, 0, 3);
    grid->addWidget(new QLabel(tr("ファイル名:"), this), 1, 0);
    grid->addWidget(m_pBaseName, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("(.chm)"), this), 1, 2);
    grid->addWidget(new QLabel(tr("URL:"), this), 2, 0);
    grid->addWidget(m_pURL, 2, 1, 1, 2);
    grid->addWidget(m_pOpenURL, 2, 3);
    grid->setColumnStretch(1, 1);

    auto* auth = new QGroupBox(tr("ユーザー認証"), this);
    auto* authGrid = new QGridLayout(auth);
    authGrid->addWidget(m_pUseAuth, 0, 0, 1, 2);
    authGrid->addWidget(new QLabel(tr("ユーザー:"), auth), 1, 0);
    authGrid->addWidget(m_pUser, 1, 1);
    authGrid->addWidget(new QLabel(tr("パスワード:"), auth), 2, 0);
    authGrid->addWidget(m_pPassword, 2, 1);

    auto* levelRow = new QHBoxLayout;
    levelRow->addWidget(new QLabel(tr("保存レベル:"), this));
    m_pLevel->setFixedWidth(60);
    levelRow->addWidget(m_pLevel);
    levelRow->addStretch(1);

    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addWidget(auth);
    column->addLayout(levelRow);
    column->addStretch(1);

    for (QLineEdit* edit : {m_pFolder, m_pBaseName, m_pURL, m_pUser, m_pPassword, m_pLevel}) {
        connect(edit, &QLineEdit::textChanged, this, [this] { MarkModified(); });
    }
    connect(m_pUseAuth, &QCheckBox::clicked, this, [this] {
        UpdateAuthControls();
        MarkModified();
    });
    connect(m_pBrowseFolder, &QPushButton::clicked, this, [this] { OnBrowseFolder(); });
    connect(m_pOpenURL, &QPushButton::clicked, this, [this] { OnOpenURL(); });
}

void CMiscDlg::UpdateAuthControls() {
    // Disabled boxes keep their text; it is still stored.
    const bool on = m_pUseAuth->isChecked();
    m_pUser->setEnabled(on);
    m_pPassword->setEnabled(on);
}

void CMiscDlg::LoadFromDocument() {
    CLoadingScope loading(m_bLoading);
    m_pFolder->setText(FromSjis(m_doc.GetFolder()));
    m_pBaseName->setText(FromSjis(m_doc.GetBaseName()));
    m_pURL->setText(FromSjis(m_doc.GetURL()));
    m_pUseAuth->setChecked(m_doc.GetUseAuth() != 0);
    m_pUser->setText(FromSjis(m_doc.GetUser()));
    m_pPassword->setText(FromSjis(CCorvaneDoc::UnscramblePassword(m_doc.GetPassword())));
    m_pLevel->setText(QString::number(m_doc.GetLevel()));
    UpdateAuthControls();
}

bool CMiscDlg::SaveToDocument() {
    // The build stops on an empty folder, so an empty one stays empty rather than naming
    // the root.
    m_doc.SetFolder(WithTrailingSeparator(ToSjis(m_pFolder->text())));
    m_doc.SetBaseName(ToSjis(m_pBaseName->text()));
    m_doc.SetURL(ToSjis(m_pURL->text()));
    m_doc.SetUseAuth(m_pUseAuth->isChecked() ? 1 : 0);
    m_doc.SetUser(ToSjis(m_pUser->text()));
    m_doc.SetPassword(CCorvaneDoc::ScramblePassword(ToSjis(m_pPassword->text())));
    bool ok = false;
    const int level = m_pLevel->text().trimmed().toInt(&ok);
    m_doc.SetLevel(ok ? level : 0);
    return true;
}

void CMiscDlg::OnBrowseFolder() {
    const QString chosen = m_fnChooseFolder(window(), tr("フォルダの選択"), m_pFolder->text());
    if (chosen.isEmpty()) return;
    // Setting the text marks the document modified, as typing does.
    m_pFolder->setText(FromSjis(WithTrailingSeparator(PathToSjis(chosen))));
}

void CMiscDlg::OnOpenURL() {
    const QString url = m_pURL->text().trimmed();
    if (url.isEmpty()) {
        ShowMessageBox(ToSjis(tr("URLを入力してください")), CCorvaneDoc::kDocName,
                       MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!m_fnOpenUrl(url)) {
        ShowMessageBox(ToSjis(tr("URLをブラウザで開けませんでした。ブラウザが設定されているか確かめ"
                                 "てください\n[%1]")
                                  .arg(url)),
                       CCorvaneDoc::kDocName, MB_OK | MB_ICONEXCLAMATION);
    }
}

}  // namespace corvane::ui
