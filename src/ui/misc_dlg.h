// The form's "全般" (general) page: output folder, file name, start URL, authentication and
// level.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

#include "ui/tab_page.h"

namespace corvane::ui {

class CMiscDlg : public CTabPage {
    Q_OBJECT
public:
    CMiscDlg(CCorvaneDoc& doc, QWidget* parent);

    QString GetCaption() const override { return tr("全般"); }
    void LoadFromDocument() override;
    bool SaveToDocument() override;

    // The folder chooser: called with the title and the current folder, returns the chosen
    // folder or an empty text when cancelled. A test replaces the dialog here.
    using FolderChooser = std::function<QString(QWidget*, const QString&, const QString&)>;
    void SetFolderChooser(FolderChooser chooser) { m_fnChooseFolder = std::move(chooser); }
    // Opens a URL in the web browser, true when a browser took it; replaceable for tests.
    using UrlOpener = std::function<bool(const QString&)>;
    void SetUrlOpener(UrlOpener opener) { m_fnOpenUrl = std::move(opener); }

    QLineEdit* m_pFolder;
    QPushButton* m_pBrowseFolder;
    QLineEdit* m_pBaseName;
    QLineEdit* m_pURL;
    QPushButton* m_pOpenURL;
    QCheckBox* m_pUseAuth;
    QLineEdit* m_pUser;
    QLineEdit* m_pPassword;
    QLineEdit* m_pLevel;

private:
    void OnBrowseFolder();
    void OnOpenURL();
    void UpdateAuthControls();

    FolderChooser m_fnChooseFolder;
    UrlOpener m_fnOpenUrl;
};

}  // namespace corvane::ui
