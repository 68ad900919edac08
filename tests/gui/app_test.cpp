// Start-up and end of the program: which project it opens, what a bad argument does, what
// the options file keeps between runs; the options and version dialogs.
#include <QDialogButtonBox>
#include <QPushButton>
#include <QtTest>
#include <filesystem>

#include "corvane_version.h"
#include "gui/gui_support.h"
#include "platform/profile.h"
#include "platform/text_codec.h"
#include "project/options.h"
#include "support/recording_message_box.h"
#include "ui/about_dlg.h"
#include "ui/corvane_app.h"
#include "ui/log_bar.h"
#include "ui/main_frame.h"
#include "ui/option_dlg.h"
#include "ui/qt_translations.h"
#include "ui/ui_text.h"

using namespace corvane;
using corvane::test::Q;
using corvane::ui::CCorvaneApp;

namespace {

// Options as a user left them: the reopen flag and the last file in the options file.
void WriteOptions(const std::string& ini, int openLastFile, const std::string& lastFile) {
    COptions options;
    options.m_bOpenLastFile = openLastFile;
    options.m_strLastFile = lastFile;
    options.SaveOptions(ini);
}

// Starts the program on the options file and arguments; the window is not shown.
struct Start {
    test::RecordingMessageBox boxes;
    CCorvaneApp app;
    bool started;
    Start(const std::string& ini, const QStringList& arguments)
        : app(ini), started(app.InitInstance(arguments)) {}
    std::string openedPath() { return app.GetDocument().GetPathName(); }
};

}  // namespace

class AppTest : public QObject {
    Q_OBJECT
private slots:
    void init() { GetOptions() = COptions(); }

    void withoutArgumentsANewProjectUnlessTheLastOneIsToBeReopened() {
        test::SampleProject project(false);
        WriteOptions(project.IniPath(), 0, project.ProjectPath());
        {
            Start start(project.IniPath(), {});
            QVERIFY(start.started);
            QCOMPARE(start.openedPath(), std::string());
            QCOMPARE(start.app.GetDocument().GetDocTitle(), std::string("Corvane"));
        }
        WriteOptions(project.IniPath(), 1, project.ProjectPath());
        {
            Start start(project.IniPath(), {});
            QVERIFY(start.started);
            QCOMPARE(start.openedPath(), project.ProjectPath());
            QVERIFY(!start.app.GetDocument().IsModified());
        }
    }

    void anOptionsNumberThatDoesNotReadIsNamedInTheLog() {
        test::SampleProject project(false);
        WriteOptions(project.IniPath(), 0, "");
        WritePrivateProfileString("Options", "MaxPageSizeMB", "sixty-four", project.IniPath());
        Start start(project.IniPath(), {});
        QVERIFY(start.started);
        QCOMPARE(GetOptions().m_nMaxPageSize, std::uint64_t{64} << 20);
        QVERIFY(start.app.GetMainFrame()->GetLogBar().GetLogEdit().toPlainText().contains(
            QStringLiteral("MaxPageSizeMB=sixty-four")));
    }

    void aFileArgumentWinsOverTheLastFile() {
        test::SampleProject last(false), argument(false);
        WriteOptions(last.IniPath(), 1, last.ProjectPath());
        Start start(last.IniPath(), {ui::PathFromSjis(argument.ProjectPath())});
        QVERIFY(start.started);
        QCOMPARE(start.openedPath(), argument.ProjectPath());
    }

    void aMissingOrEmptyLastFileGivesANewProjectSilently() {
        test::SampleProject project(false);
        for (const std::string& last :
             {std::string(), FromNativePath(project.Folder() / "gone.xml")}) {
            WriteOptions(project.IniPath(), 1, last);
            Start start(project.IniPath(), {});
            QVERIFY(start.started);
            QCOMPARE(start.openedPath(), std::string());
            QVERIFY(start.boxes.boxes().empty());
        }
    }

    void aFileArgumentThatIsNoProjectEndsStartUpWithAMessage() {
        test::ScratchDir dir;
        test::WriteFileBytes(dir / "broken.xml", "<root><Folder>");
        const std::string ini = FromNativePath(dir / "corvane.ini");
        {
            Start start(ini, {ui::PathFromSjis(FromNativePath(dir / "broken.xml"))});
            QVERIFY(!start.started);
            QCOMPARE(start.boxes.boxes().size(), size_t(1));
            QVERIFY(ui::FromSjis(start.boxes.boxes()[0].text).contains(Q("読み込めません")));
        }
        {
            // A file that is not there: the load itself says so, once.
            Start start(ini, {ui::PathFromSjis(FromNativePath(dir / "none.xml"))});
            QVERIFY(!start.started);
            QCOMPARE(start.boxes.boxes().size(), size_t(1));
        }
        {
            Start start(ini, {Q("--bogus")});
            QVERIFY(!start.started);
        }
    }

    void theOptionsRecentFilesAndBarsLastUntilTheNextStart() {
        test::SampleProject project(false);
        {
            Start start(project.IniPath(), {ui::PathFromSjis(project.ProjectPath())});
            QVERIFY(start.started);
            GetOptions().m_strHHWPath = "/opt/chm/chmcmd";
            GetOptions().m_bOpenLastFile = 1;
            start.app.GetMainFrame()->show();
            start.app.GetMainFrame()->OnToggleLogBar();  // hidden
            QVERIFY(start.app.GetMainFrame()->close());
            start.app.ExitInstance();
        }
        const std::string ini = project.IniPath();
        QCOMPARE(GetPrivateProfileString("Options", "HHWPath", "", ini),
                 std::string("/opt/chm/chmcmd"));
        QCOMPARE(GetPrivateProfileString("Options", "LastFile", "", ini), project.ProjectPath());
        QCOMPARE(GetPrivateProfileString("Recent File List", "File1", "", ini, 1024),
                 project.ProjectPath());
        QVERIFY(!GetPrivateProfileString("BarState", "MainWindow", "", ini, 8192).empty());

        GetOptions() = COptions();
        Start again(ini, {});
        QVERIFY(again.started);
        QCOMPARE(again.openedPath(), project.ProjectPath());
        QCOMPARE(GetOptions().m_strHHWPath, std::string("/opt/chm/chmcmd"));
        QCOMPARE(again.app.GetMainFrame()->GetRecentFiles(),
                 std::vector<std::string>{project.ProjectPath()});
        QVERIFY(again.app.GetMainFrame()->GetLogBar().isHidden());
    }

    void theFileVersionSplitsAtTheLastPeriod() {
        QString version, build;
        ui::SplitFileVersion(Q("1, 0, 0, 3"), version, build);
        QCOMPARE(version, Q("1. 0. 0"));
        QCOMPARE(build, Q(" 3"));
        ui::SplitFileVersion(Q("0.1.0.0"), version, build);
        QCOMPARE(version, Q("0.1.0"));
        QCOMPARE(build, Q("0"));
        ui::SplitFileVersion(Q("7"), version, build);
        QCOMPARE(version, Q("7"));
        QCOMPARE(build, QString());
    }

    void theVersionDialogShowsDescriptionVersionAndBuild() {
        ui::CAboutDlg dialog;
        QCOMPARE(dialog.windowTitle(), Q("バージョン情報 Corvane"));
        const ui::CVersionInfo info = ui::GetVersionInfo();
        QCOMPARE(dialog.m_pVersion->text(),
                 info.strDescription + Q(" ") + info.strVersion + Q(" Build ") + info.strBuild);
        // The release version's three parts, and the project version's fourth as the build.
        QCOMPARE(info.strVersion, Q(CORVANE_VERSION_STRING));
        QCOMPARE(info.strBuild, QString::number(CORVANE_BUILD_NUMBER));
        QCOMPARE(dialog.m_pHomePage->text(), Q(CORVANE_HOMEPAGE));
        QString opened;
        dialog.SetUrlOpener([&](const QString& url) { opened = url; });
        QTest::mouseClick(dialog.m_pHomePage, Qt::LeftButton);
        QCOMPARE(opened, dialog.m_pHomePage->text());
    }

    void optionsOkStoresAndCancelDoesNot() {
        COptions options;
        options.m_strHHWPath = "/usr/bin/chmcmd";
        options.m_bBuiltinCompiler = 0;
        options.m_bOpenLastFile = 0;
        {
            ui::COptionDlg dialog(options);
            QCOMPARE(dialog.windowTitle(), Q("オプション設定"));
            QCOMPARE(dialog.m_pHHWPath->text(), Q("/usr/bin/chmcmd"));
            QVERIFY(!dialog.m_pBuiltinCompiler->isChecked());
            QVERIFY(dialog.m_pHHWPath->isEnabled());
            QVERIFY(!dialog.m_pOpenLastFile->isChecked());
            dialog.m_pHHWPath->setText(Q("/opt/ヘルプ/chmcmd"));
            dialog.m_pOpenLastFile->setChecked(true);
            dialog.show();
            QTest::mouseClick(dialog.m_pCancel, Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        QCOMPARE(options.m_strHHWPath, std::string("/usr/bin/chmcmd"));
        QCOMPARE(options.m_bOpenLastFile, 0);
        {
            ui::COptionDlg dialog(options);
            dialog.SetFileChooser([](QWidget*, const QString& start) {
                return start == Q("/usr/bin/chmcmd") ? Q("/opt/ヘルプ/chmcmd") : QString();
            });
            QTest::mouseClick(dialog.m_pBrowse, Qt::LeftButton);
            QCOMPARE(dialog.m_pHHWPath->text(), Q("/opt/ヘルプ/chmcmd"));
            dialog.m_pOpenLastFile->setChecked(true);
            dialog.show();
            QTest::mouseClick(dialog.m_pOk, Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(ui::FromSjis(options.m_strHHWPath), Q("/opt/ヘルプ/chmcmd"));
        QCOMPARE(options.m_bOpenLastFile, 1);
        QCOMPARE(options.m_bBuiltinCompiler, 0);
        {
            // The built-in compiler: the path waits, greyed, for a return to the outside one.
            ui::COptionDlg dialog(options);
            dialog.show();
            QTest::mouseClick(dialog.m_pBuiltinCompiler, Qt::LeftButton);
            QVERIFY(dialog.m_pBuiltinCompiler->isChecked());
            QVERIFY(!dialog.m_pHHWPath->isEnabled());
            QVERIFY(!dialog.m_pBrowse->isEnabled());
            QTest::mouseClick(dialog.m_pOk, Qt::LeftButton);
        }
        QCOMPARE(options.m_bBuiltinCompiler, 1);
        QCOMPARE(ui::FromSjis(options.m_strHHWPath), Q("/opt/ヘルプ/chmcmd"));
        QVERIFY(ui::COptionDlg::CompilerFilter().contains(Q("chmcmd")));
        QVERIFY(ui::COptionDlg::CompilerFilter().contains(Q("*.exe")));
    }

    void theProxyChoiceIsCheckedStoredAndKeptInTheOptionsFile() {
        test::RecordingMessageBox boxes;
        COptions options;
        {
            ui::COptionDlg dialog(options);
            // The environment's proxy by default; host and port only for a given proxy.
            QVERIFY(dialog.m_pProxyEnvironment->isChecked());
            QVERIFY(!dialog.m_pProxyHost->isEnabled());
            dialog.m_pProxyServer->setChecked(true);
            QVERIFY(dialog.m_pProxyHost->isEnabled());
            QVERIFY(dialog.m_pProxyPort->isEnabled());
            dialog.show();
            // A given proxy needs a host, and one that is a host name, not a URL.
            for (const char* host : {"", "http://proxy:8080/"}) {
                dialog.m_pProxyHost->setText(Q(host));
                QTest::mouseClick(dialog.m_pOk, Qt::LeftButton);
                QVERIFY(dialog.isVisible());
            }
            QCOMPARE(boxes.boxes().size(), size_t(2));
            QVERIFY(ui::FromSjis(boxes.boxes()[0].text).contains(Q("ホスト名を入力")));
            QVERIFY(ui::FromSjis(boxes.boxes()[1].text).contains(Q("[http://proxy:8080/]")));
            QCOMPARE(options.m_nProxyType, 0);
            dialog.m_pProxyHost->setText(Q(" proxy.example.com "));
            dialog.m_pProxyPort->setValue(3128);
            QTest::mouseClick(dialog.m_pOk, Qt::LeftButton);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(options.m_nProxyType, 2);
        QCOMPARE(options.m_strProxyHost, std::string("proxy.example.com"));
        QCOMPARE(options.m_nProxyPort, 3128);

        // Kept in the options file and shown again; direct keeps the host for later.
        test::ScratchDir dir;
        const std::string ini = FromNativePath(dir / "corvane.ini");
        options.SaveOptions(ini);
        COptions loaded;
        loaded.LoadOptions(ini);
        QCOMPARE(loaded.m_nProxyType, 2);
        QCOMPARE(loaded.m_strProxyHost, std::string("proxy.example.com"));
        QCOMPARE(loaded.m_nProxyPort, 3128);
        {
            ui::COptionDlg dialog(loaded);
            QVERIFY(dialog.m_pProxyServer->isChecked());
            QCOMPARE(dialog.m_pProxyHost->text(), Q("proxy.example.com"));
            QCOMPARE(dialog.m_pProxyPort->value(), 3128);
            dialog.m_pProxyDirect->setChecked(true);
            dialog.show();
            QTest::mouseClick(dialog.m_pOk, Qt::LeftButton);
        }
        QCOMPARE(loaded.m_nProxyType, 1);
        QCOMPARE(loaded.m_strProxyHost, std::string("proxy.example.com"));
        // An unknown kind in the file is the environment's proxy.
        test::WriteFileBytes(dir / "corvane.ini", "[Options]\r\nProxyType=7\r\n");
        COptions unknown;
        unknown.m_nProxyType = 1;
        unknown.LoadOptions(ini);
        QCOMPARE(unknown.m_nProxyType, 0);
        // A file of the usual keys gains none of these while they keep their defaults.
        test::WriteFileBytes(dir / "corvane.ini", "");
        COptions().SaveOptions(ini);
        QCOMPARE(test::ReadFileBytes(dir / "corvane.ini").find("Proxy"), std::string::npos);
    }

    void standardDialogsSpeakJapaneseWithoutALocale() {
        QCOMPARE(ui::TranslationLocale(QLocale::c()).language(), QLocale::Japanese);
        QCOMPARE(ui::TranslationLocale(QLocale(QLocale::German, QLocale::Germany)).language(),
                 QLocale::German);
        // The tests run in the C locale: Qt's own texts come in Japanese once installed.
        QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), Q("Look in:"));
        QVERIFY(ui::InstallQtTranslations());
        const QString lookIn = QCoreApplication::translate("QFileDialog", "Look in:");
        QVERIFY2(lookIn != Q("Look in:"), qPrintable(lookIn));
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        QVERIFY(box.button(QDialogButtonBox::Cancel)->text().contains(Q("キャンセル")));
        // A folder without translations installs nothing.
        test::ScratchDir empty;
        QVERIFY(!ui::InstallQtTranslations(QString::fromStdString(empty.path().string())));
    }
};

QTEST_MAIN(AppTest)
#include "app_test.moc"
