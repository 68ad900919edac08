// The "バージョン情報 Corvane" dialog: description, version and build of the program, its
// notice, and a button with the home page's address.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <functional>

#include "corvane_version.h"

namespace corvane::ui {

// The program's version record.
struct CVersionInfo {
    QString strDescription;
    QString strVersion;
    QString strBuild;
    QString strLegal;
};

// Splits a file version text: every comma becomes a period, the text after the last period
// is the build and the text before it the version (without a period: all of it is the
// version). Blanks stay where they are.
void SplitFileVersion(const QString& fileVersion, QString& version, QString& build);

// This program's record, from the version CMake generates.
CVersionInfo GetVersionInfo();

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // Set when the program is configured (CORVANE_HOMEPAGE).
    static constexpr const char* kHomePage = CORVANE_HOMEPAGE;

    explicit CAboutDlg(QWidget* parent = nullptr);

    // Opens the home page; replaceable for tests.
    using UrlOpener = std::function<void(const QString&)>;
    void SetUrlOpener(UrlOpener opener) { m_fnOpenUrl = std::move(opener); }

    QLabel* m_pVersion;
    QLabel* m_pLegal;
    QPushButton* m_pHomePage;

private:
    UrlOpener m_fnOpenUrl;
};

}  // namespace corvane::ui
