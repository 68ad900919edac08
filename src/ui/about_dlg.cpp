#include "ui/about_dlg.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QUrl>

#include "corvane_version.h"
#include "ui/tool_icons.h"
#include "ui/ui_text.h"

namespace corvane::ui {

void SplitFileVersion(const QString& fileVersion, QString& version, QString& build) {
    QString text = fileVersion;
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) {
        version = text;
        build.clear();
        return;
    }
    version = text.left(dot);
    build = text.mid(dot + 1);
}

CVersionInfo GetVersionInfo() {
    CVersionInfo info;
    info.strDescription = QObject::tr("Corvane ヘルプ作成ツール");
    SplitFileVersion(QStringLiteral(CORVANE_FILE_VERSION), info.strVersion, info.strBuild);
    info.strLegal = QStringLiteral("Copyright (C) Corvane developers");
    return info;
}

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent),
      m_fnOpenUrl([](const QString& url) { QDesktopServices::openUrl(QUrl(url)); }) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(tr("バージョン情報 Corvane"));
    setFont(UiFont());
    const CVersionInfo info = GetVersionInfo();

    auto* icon = new QLabel(this);
    icon->setPixmap(MakeToolIcon(ToolIcon::kApp).pixmap(32, 32));
    m_pVersion = new QLabel(info.strDescription + QLatin1Char(' ') + info.strVersion +
                                QStringLiteral(" Build ") + info.strBuild,
                            this);
    m_pVersion->setObjectName(QStringLiteral("version"));
    m_pLegal = new QLabel(info.strLegal, this);
    m_pLegal->setObjectName(QStringLiteral("legal"));
    m_pHomePage = new QPushButton(QString::fromLatin1(kHomePage), this);
    m_pHomePage->setObjectName(QStringLiteral("homePage"));
    m_pHomePage->setAutoDefault(false);
    m_pHomePage->setFlat(true);
    m_pHomePage->setStyleSheet(QStringLiteral("color: #0645ad; text-decoration: underline;"));
    m_pHomePage->setCursor(Qt::PointingHandCursor);
    connect(m_pHomePage, &QPushButton::clicked, this, [this] { m_fnOpenUrl(m_pHomePage->text()); });

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(m_pVersion, 0, 1, 1, 2);
    grid->addWidget(m_pLegal, 1, 1, 1, 2);
    grid->addWidget(new QLabel(tr("ホームページ:"), this), 2, 1);
    grid->addWidget(m_pHomePage, 2, 2, Qt::AlignLeft);
    grid->addWidget(buttons, 3, 0, 1, 3);
    grid->setColumnStretch(2, 1);
}

}  // namespace corvane::ui
