// The main window: its menus, command enabling during and after a run, the window fitted
// to its bars, what closing stores, and the manual command.
#include <QMenuBar>
#include <QStyle>
#include <QtTest>
#include <filesystem>

#include "gui/gui_support.h"
#include "platform/app_folders.h"
#include "platform/text_codec.h"
#include "project/corvane_doc.h"
#include "project/options.h"
#include "support/recording_message_box.h"
#include "ui/corvane_view.h"
#include "ui/log_bar.h"
#include "ui/main_frame.h"
#include "ui/misc_dlg.h"
#include "ui/progress_bar.h"
#include "ui/sizing_bar_caption.h"
#include "ui/status_bar.h"
#include "ui/ui_text.h"

using namespace corvane;
using corvane::test::Q;
using corvane::ui::CMainFrame;

namespace {

// A compiler that writes "built" where the help project says the compiled file goes.
const char kStandInCompiler[] =
    "out=$(sed -n 's/^Compiled file=//p' \"$2\" | tr -d '\\r'); echo built > \"$out\"\n";

// A shown main window on a new project, its boxes answered by the recorder.
struct Frame {
    test::RecordingMessageBox boxes;
    CCorvaneDoc doc;
    CMainFrame frame{doc};
    Frame() {
        GetOptions().m_strHHWPath = "/usr/bin/chmcmd";
        frame.GetDriver().SetOpenResult(false);
        // No file dialog may wait for a user.
        auto none = [](QWidget*, const QString&, const QString&) { return QString(); };
        frame.SetOpenChooser(none);
        frame.SetSaveChooser(none);
        frame.show();
        if (!QTest::qWaitForWindowExposed(&frame)) qFatal("window not shown");
        settle();
    }
    void settle() {
        test::WaitUntil([] { return false; }, 50);
    }
    bool toolEnabled(QAction* action) {
        return frame.GetToolBar().widgetForAction(action)->isEnabled();
    }
    QString logText() { return frame.GetLogBar().GetLogEdit().toPlainText(); }
};

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            texts << Q("-");
        } else if (action->objectName() != Q("actionRecent")) {
            texts << action->text();
        }
    }
    return texts;
}

}  // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setFont(ui::UiFont()); }

    void menusInTheirUsualPlaces() {
        Frame f;
        const QList<QAction*> menus = f.frame.menuBar()->actions();
        QCOMPARE(menus.size(), 4);
        QCOMPARE(menus[0]->text(), Q("ファイル(&F)"));
        QCOMPARE(MenuTexts(menus[0]->menu()),
                 (QStringList{Q("新規作成(&N)"), Q("開く(&O)..."), Q("上書き保存(&S)"),
                              Q("名前を付けて保存(&A)..."), Q("-"), Q("-"),
                              Q("アプリケーションの終了(&X)")}));
        QCOMPARE(
            MenuTexts(menus[1]->menu()),
            (QStringList{Q("ツール バー(&T)"), Q("ステータス バー(&S)"), Q("ログウィンドウ(&L)")}));
        QCOMPARE(MenuTexts(menus[2]->menu()), (QStringList{Q("ヘルプ作成"), Q("ダウンロード中止"),
                                                           Q("-"), Q("オプション(&O)...")}));
        QCOMPARE(MenuTexts(menus[3]->menu()),
                 (QStringList{Q("ヘルプ(&H)"), Q("-"), Q("バージョン情報 Corvane(&A)...")}));
        QCOMPARE(menus[0]->menu()->actions()[0]->shortcut(), QKeySequence(Q("Ctrl+N")));
        QCOMPARE(menus[0]->menu()->actions()[1]->shortcut(), QKeySequence(Q("Ctrl+O")));
        QCOMPARE(menus[0]->menu()->actions()[2]->shortcut(), QKeySequence(Q("Ctrl+S")));
        // The tool bar: new, open, save, a separator, create help, abort, each with a
        // picture and a tip.
        QStringList tools;
        for (QAction* action : f.frame.GetToolBar().actions()) {
            tools << (action->isSeparator() ? Q("-") : action->objectName());
            if (!action->isSeparator()) {
                QVERIFY(!action->icon().isNull());
                QVERIFY(!action->toolTip().isEmpty());
            }
        }
        QCOMPARE(tools, (QStringList{Q("actionNew"), Q("actionOpen"), Q("actionSave"), Q("-"),
                                     Q("actionCreateHelp"), Q("actionAbort")}));
    }

    void theRecentFilesAreNumberedNewestFirstAndCappedAtFour() {
        Frame f;
        for (const char* path : {"/a.xml", "/b.xml", "/c.xml", "/d.xml", "/e.xml", "/c.xml"}) {
            f.frame.AddRecentFile(path);
        }
        QCOMPARE(f.frame.GetRecentFiles(),
                 (std::vector<std::string>{"/c.xml", "/e.xml", "/d.xml", "/b.xml"}));
        QStringList shown;
        for (QAction* action : f.frame.menuBar()->actions()[0]->menu()->actions()) {
            if (action->objectName() == Q("actionRecent") && action->isVisible()) {
                shown << action->text();
            }
        }
        QCOMPARE(shown,
                 (QStringList{Q("&1 /c.xml"), Q("&2 /e.xml"), Q("&3 /d.xml"), Q("&4 /b.xml")}));
        // A project that is gone is reported by the load and leaves the list.
        for (QAction* action : f.frame.menuBar()->actions()[0]->menu()->actions()) {
            if (action->objectName() == Q("actionRecent")) {
                action->trigger();
                break;
            }
        }
        QCOMPARE(f.boxes.boxes().size(), size_t(1));
        QCOMPARE(f.frame.GetRecentFiles(),
                 (std::vector<std::string>{"/e.xml", "/d.xml", "/b.xml"}));
    }

    void commandsFollowTheRunInMenuAndToolBar() {
        test::SampleProject project;
        Frame f;
        QVERIFY(f.frame.OpenDocument(project.ProjectPath()));
        QVERIFY(f.frame.CreateHelpAction()->isEnabled());
        QVERIFY(!f.frame.AbortAction()->isEnabled());
        QVERIFY(f.toolEnabled(f.frame.CreateHelpAction()));
        QVERIFY(!f.toolEnabled(f.frame.AbortAction()));

        f.frame.CreateHelpAction()->trigger();
        QVERIFY(f.frame.GetDriver().IsRunning());
        QVERIFY(!f.frame.CreateHelpAction()->isEnabled());
        QVERIFY(f.frame.AbortAction()->isEnabled());
        QVERIFY(!f.toolEnabled(f.frame.CreateHelpAction()));
        QVERIFY(f.toolEnabled(f.frame.AbortAction()));
        // The progress bar comes with the first crawl event, in pane 1.
        QVERIFY(test::WaitUntil([&] { return f.frame.GetProgressBar() != nullptr; }, 10000));
        QCOMPARE(f.frame.GetProgressBar()->parentWidget(), &f.frame.GetStatusBar());

        f.frame.AbortAction()->trigger();
        QVERIFY(!f.frame.GetDriver().IsRunning());
        QVERIFY(f.frame.CreateHelpAction()->isEnabled());
        QVERIFY(!f.frame.AbortAction()->isEnabled());
        QVERIFY(f.toolEnabled(f.frame.CreateHelpAction()));
        QVERIFY(!f.toolEnabled(f.frame.AbortAction()));
        QVERIFY(f.frame.GetProgressBar() == nullptr);
        QVERIFY(f.logText().contains(Q("中断しました")));
        // Pane 1 has its blank back; pane 0 shows the last log line.
        QCOMPARE(f.frame.GetStatusBar().GetPaneText(1), Q(" "));
        QCOMPARE(f.frame.GetStatusBar().GetPaneText(0), Q("中断しました"));
    }

    void aRefusedRunLeavesTheCommandsAsTheyWere() {
        Frame f;
        // A new project has no file name: the checks stop the run before it starts.
        f.doc.SetFolder("");
        f.frame.GetView().OnInitialUpdate();
        GetOptions().m_strHHWPath = "/usr/bin/chmcmd";
        bool asked = false;
        f.frame.SetSaveChooser([&](QWidget*, const QString&, const QString&) {
            asked = true;
            return QString();
        });
        f.frame.OnCreateHelp();
        // Save As was offered and cancelled; the checks then asked for the empty folder.
        QVERIFY(asked);
        QCOMPARE(f.boxes.boxes().size(), size_t(1));
        QVERIFY(
            ui::FromSjis(f.boxes.boxes()[0].text).contains(Q("出力フォルダを入力してください")));
        QVERIFY(!f.frame.GetDriver().IsRunning());
        QVERIFY(f.frame.CreateHelpAction()->isEnabled());
        QVERIFY(!f.frame.AbortAction()->isEnabled());
    }

    void theWindowKeepsPaintingWhileTheCompilerRuns() {
        test::SampleProject project;
        const std::filesystem::path compiler = project.Folder() / "slow compiler";
        test::WriteFileBytes(compiler, "#!/bin/sh\nsleep 1\n" + std::string(kStandInCompiler));
        std::filesystem::permissions(compiler, std::filesystem::perms::owner_all);
        Frame f;
        QVERIFY(f.frame.OpenDocument(project.ProjectPath()));
        GetOptions().m_strHHWPath = FromNativePath(compiler);
        // An outside compiler: the built-in one runs in the window's own thread.
        GetOptions().m_bBuiltinCompiler = 0;
        f.frame.GetDriver().SetInterval(0);

        // Timer ticks during the compile prove the event loop runs; the commands stay off.
        int ticksWhileCompiling = 0;
        bool createHelpEnabled = false;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (f.frame.GetDriver().IsRunning() &&
                f.logText().contains(Q("コンパイルしています"))) {
                ++ticksWhileCompiling;
                createHelpEnabled = createHelpEnabled || f.frame.CreateHelpAction()->isEnabled();
            }
        });
        timer.start(20);
        f.frame.OnCreateHelp();
        QVERIFY(test::WaitUntil([&] { return !f.frame.GetDriver().IsRunning(); }, 60000));
        QCOMPARE(f.frame.GetDriver().GetOutcome(), CBuildDriver::kBuilt);
        QVERIFY2(ticksWhileCompiling >= 10, qPrintable(QString::number(ticksWhileCompiling)));
        QVERIFY(!createHelpEnabled);
        QVERIFY(f.frame.CreateHelpAction()->isEnabled());
    }

    void theFinishedHelpFileOpensWithoutWaitingForTheViewer() {
        test::SampleProject project;
        // A stand-in compiler, and an opener that runs its "viewer" for a minute.
        const std::filesystem::path compiler = project.Folder() / "compiler";
        test::WriteFileBytes(compiler, std::string("#!/bin/sh\n") + kStandInCompiler);
        std::filesystem::permissions(compiler, std::filesystem::perms::owner_all);
        const std::filesystem::path bin = project.Folder() / "bin";
        std::filesystem::create_directories(bin);
        const std::filesystem::path opened = project.Folder() / "opened.txt";
        const std::filesystem::path closed = project.Folder() / "viewer closed.txt";
        test::WriteFileBytes(bin / "xdg-open", "#!/bin/sh\necho \"$1\" > '" + opened.string() +
                                                   "'\nsleep 60\ntouch '" + closed.string() +
                                                   "'\n");
        std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", QByteArray(bin.c_str()) + ":" + oldPath);

        Frame f;
        QVERIFY(f.frame.OpenDocument(project.ProjectPath()));
        GetOptions().m_strHHWPath = FromNativePath(compiler);
        GetOptions().m_bBuiltinCompiler = 0;
        f.frame.GetDriver().SetInterval(0);
        f.frame.GetDriver().SetOpenResult(true);
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(20);
        f.frame.OnCreateHelp();
        QVERIFY(test::WaitUntil([&] { return !f.frame.GetDriver().IsRunning(); }, 60000));
        QCOMPARE(f.frame.GetDriver().GetOutcome(), CBuildDriver::kBuilt);
        // The run is over while the viewer still runs: the commands are back, the progress
        // bar has left the status bar, and the window goes on handling events.
        QVERIFY(!std::filesystem::exists(closed));
        QVERIFY(f.frame.CreateHelpAction()->isEnabled());
        QVERIFY(f.frame.GetProgressBar() == nullptr);
        QCOMPARE(f.frame.GetStatusBar().GetPaneText(1), Q(" "));
        const int before = ticks;
        QVERIFY(test::WaitUntil([&] { return ticks >= before + 5; }, 10000));
        QVERIFY(!std::filesystem::exists(closed));
        QVERIFY(test::WaitUntil([&] { return std::filesystem::exists(opened); }, 10000));
        QCOMPARE(test::ReadFileBytes(opened), FromNativePath(project.HelpFile()) + "\n");

        // The manual alike, found in the current folder when nowhere else.
        const auto candidates = CMainFrame::ManualCandidates();
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(project.HelpFile().parent_path());
        std::filesystem::remove(opened);
        bool elsewhere = false;
        for (const std::string& candidate : candidates) {
            elsewhere = elsewhere || std::filesystem::exists(ToNativePath(candidate));
        }
        if (!elsewhere) {
            f.frame.OnHelp();
            QVERIFY(f.boxes.boxes().empty());
            QVERIFY(!std::filesystem::exists(closed));
            QVERIFY(test::WaitUntil([&] { return std::filesystem::exists(opened); }, 10000));
            QCOMPARE(test::ReadFileBytes(opened), FromNativePath(project.HelpFile()) + "\n");
        }
        std::filesystem::current_path(previous);
        qputenv("PATH", oldPath);
    }

    void hidingTheLogShortensTheWindowByItsHeightAndShowingRestoresIt() {
        Frame f;
        const QSize form = f.frame.GetView().size();
        const QSize before = f.frame.size();
        const int logHeight = f.frame.GetLogBar().height();
        const int separator =
            f.frame.style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, &f.frame);
        QVERIFY(logHeight > 20);

        f.frame.OnToggleLogBar();
        QVERIFY(f.frame.GetLogBar().isHidden());
        QTRY_COMPARE(f.frame.height(), before.height() - logHeight - separator);
        QCOMPARE(f.frame.width(), before.width());
        QCOMPARE(f.frame.GetView().size(), form);

        f.frame.OnToggleLogBar();
        QVERIFY(!f.frame.GetLogBar().isHidden());
        QTRY_COMPARE(f.frame.size(), before);
        QCOMPARE(f.frame.GetLogBar().height(), logHeight);
        QCOMPARE(f.frame.GetView().size(), form);

        // The status bar alike; the user cannot resize the window.
        f.frame.GetStatusBar().hide();
        QTRY_VERIFY(f.frame.height() < before.height());
        QCOMPARE(f.frame.GetView().size(), form);
        QCOMPARE(f.frame.minimumSize(), f.frame.maximumSize());
    }

    void theLogCloseButtonHidesItAndTheMenuCommandShowsIt() {
        Frame f;
        ui::CCVNLogBar& log = f.frame.GetLogBar();
        const QSize before = f.frame.size();
        const QSize form = f.frame.GetView().size();
        const int logHeight = log.height();
        QAction* logCommand = f.frame.findChild<QAction*>(Q("actionViewLog"));
        QVERIFY(logCommand->isChecked());

        // The caption's own button, clicked with the mouse.
        ui::CSizingBarCaption& caption = log.GetCaption();
        QTest::mouseClick(&caption, Qt::LeftButton, {}, caption.CloseButtonRect().center());
        QVERIFY(log.isHidden());
        QTRY_VERIFY(!logCommand->isChecked());
        QTRY_VERIFY(f.frame.height() < before.height() - logHeight / 2);
        QCOMPARE(f.frame.GetView().size(), form);

        // The menu command brings it back at its size, and the window with it.
        logCommand->trigger();
        QVERIFY(!log.isHidden());
        QVERIFY(logCommand->isChecked());
        QTRY_COMPARE(f.frame.size(), before);
        QCOMPARE(log.height(), logHeight);
        QCOMPARE(f.frame.GetView().size(), form);

        // Closing it as a window does the same.
        log.close();
        QVERIFY(log.isHidden());
        QTRY_VERIFY(!logCommand->isChecked());
        logCommand->trigger();
        QVERIFY(!log.isHidden());
        QTRY_COMPARE(f.frame.size(), before);
    }

    void dockingTheLogElsewhereRefitsTheWindowAroundTheForm() {
        Frame f;
        ui::CCVNLogBar& log = f.frame.GetLogBar();
        const QSize before = f.frame.size();
        const QSize form = f.frame.GetView().size();
        const int logHeight = log.height();
        const int separator =
            f.frame.style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, &f.frame);
        auto formInside = [&] {
            return f.frame.rect().contains(f.frame.GetView().geometry()) &&
                   f.frame.GetView().size() == form;
        };

        // At a side: the window widens by a usable log column and loses the log row.
        f.frame.addDockWidget(Qt::LeftDockWidgetArea, &log);
        QTRY_VERIFY(f.frame.width() > before.width() + 150);
        QTRY_COMPARE(f.frame.height(), before.height() - logHeight - separator);
        QVERIFY(formInside());
        QVERIFY(log.width() > 150);
        QCOMPARE(f.frame.minimumSize(), f.frame.maximumSize());
        const int logWidth = log.width();

        // Back at the bottom at its former height, the window as it was.
        f.frame.addDockWidget(Qt::BottomDockWidgetArea, &log);
        QTRY_COMPARE(f.frame.size(), before);
        QCOMPARE(log.height(), logHeight);
        QVERIFY(formInside());

        // Floated, the window gives up the row; docked again, it takes it back.
        log.setFloating(true);
        QTRY_COMPARE(f.frame.height(), before.height() - logHeight - separator);
        QVERIFY(formInside());
        log.setFloating(false);
        QTRY_COMPARE(f.frame.size(), before);
        QVERIFY(formInside());

        // The right side gives it the column width it last had.
        f.frame.addDockWidget(Qt::RightDockWidgetArea, &log);
        QTRY_COMPARE(f.frame.width(), before.width() + logWidth + separator);
        QVERIFY(formInside());
        QCOMPARE(log.width(), logWidth);
    }

    void openingAFileThatIsNoProjectSaysSo() {
        test::ScratchDir dir;
        test::WriteFileBytes(dir / "notes.txt", "just some text, not a project");
        Frame f;
        QVERIFY(!f.frame.OpenDocument(FromNativePath(dir / "notes.txt")));
        QCOMPARE(f.boxes.boxes().size(), size_t(1));
        const QString text = ui::FromSjis(f.boxes.boxes()[0].text);
        QVERIFY(text.contains(Q("プロジェクトファイルとして読み込めません")));
        QVERIFY(text.contains(ui::PathFromSjis(FromNativePath(dir / "notes.txt"))));
        // A missing file is reported once, by the load.
        QVERIFY(!f.frame.OpenDocument(FromNativePath(dir / "gone.xml")));
        QCOMPARE(f.boxes.boxes().size(), size_t(2));
        QVERIFY(!ui::FromSjis(f.boxes.boxes()[1].text).contains(Q("として読み込めません")));
    }

    void closingStoresTheLastFile() {
        {
            Frame f;
            GetOptions().m_strLastFile = "/old/project.xml";
            QVERIFY(f.frame.close());
            // Never saved: the last file is empty.
            QCOMPARE(GetOptions().m_strLastFile, std::string());
        }
        test::SampleProject project(false);
        {
            Frame f;
            QVERIFY(f.frame.OpenDocument(project.ProjectPath()));
            QVERIFY(f.frame.close());
            QCOMPARE(GetOptions().m_strLastFile, project.ProjectPath());
        }
    }

    void aModifiedProjectAsksBeforeClosing() {
        test::SampleProject project(false);
        Frame f;
        QVERIFY(f.frame.OpenDocument(project.ProjectPath()));
        f.frame.GetView().GetMiscPage()->m_pBaseName->setText(Q("Changed"));
        QVERIFY(f.frame.windowTitle().contains(Q(" *")));
        f.boxes.QueueAnswer(IDCANCEL);
        QVERIFY(!f.frame.close());
        QVERIFY(f.frame.isVisible());
        QCOMPARE(f.boxes.boxes().size(), size_t(1));
        QVERIFY(ui::FromSjis(f.boxes.boxes()[0].text).contains(Q("への変更を保存しますか")));
        QCOMPARE(f.boxes.boxes()[0].flags & MB_TYPEMASK, MB_YESNOCANCEL);
        // Yes saves the project, then the window closes.
        f.boxes.QueueAnswer(IDYES);
        QVERIFY(f.frame.close());
        CCorvaneDoc saved;
        QVERIFY(saved.LoadFromFile(project.ProjectPath()));
        QCOMPARE(saved.GetBaseName(), std::string("Changed"));
    }

    void closingDuringARunStopsTheRunFirst() {
        test::SampleProject project;
        Frame f;
        QVERIFY(f.frame.OpenDocument(project.ProjectPath()));
        f.frame.OnCreateHelp();
        QVERIFY(f.frame.GetDriver().IsRunning());
        QVERIFY(f.frame.close());
        QVERIFY(!f.frame.GetDriver().IsRunning());
        QVERIFY(f.logText().contains(Q("中断しました")));
        QVERIFY(!std::filesystem::exists(project.HelpFile()));
    }

    void theManualOpensFromTheFirstPlaceItIsFound() {
        const std::string installed = GetDataFolder() + "Corvane.chm";
        if (std::filesystem::exists(ToNativePath(installed))) QSKIP("a manual is installed");
        test::ScratchDir dir;
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        Frame f;
        std::vector<std::string> opened;
        bool openResult = true;
        f.frame.SetOpener([&](const std::string& path) {
            opened.push_back(path);
            return openResult;
        });
        const auto candidates = CMainFrame::ManualCandidates();
        QCOMPARE(candidates.front(), installed);
        QCOMPARE(candidates.back(), FromNativePath(dir / "Corvane.chm"));

        // Nowhere: a message names where it was looked for first.
        f.frame.OnHelp();
        QVERIFY(opened.empty());
        QCOMPARE(f.boxes.boxes().size(), size_t(1));
        QVERIFY(ui::FromSjis(f.boxes.boxes()[0].text).contains(Q("見つかりません")));

        test::WriteFileBytes(dir / "Corvane.chm", "ITSF");
        f.frame.OnHelp();
        QCOMPARE(opened, std::vector<std::string>{FromNativePath(dir / "Corvane.chm")});
        // An opener that fails is reported, not silent.
        openResult = false;
        f.frame.OnHelp();
        QCOMPARE(f.boxes.boxes().size(), size_t(2));
        QVERIFY(ui::FromSjis(f.boxes.boxes()[1].text).contains(Q("開けませんでした")));
        std::filesystem::current_path(previous);
    }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
