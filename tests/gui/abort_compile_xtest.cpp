// ダウンロード中止 clicked on a real X server while the help compiler runs on the window's
// thread: the click ends the compile, the build ends as aborted and the previous help file
// stays; a click on the menu bar in the meantime opens nothing, then or later.
#include <sys/stat.h>
#include <QMenuBar>
#include <QProcess>
#include <QTimer>
#include <QToolBar>
#include <QtTest>
#include <filesystem>

#include "gui/gui_support.h"
#include "platform/text_codec.h"
#include "project/options.h"
#include "support/recording_message_box.h"
#include "support/test_paths.h"
#include "ui/corvane_app.h"
#include "ui/main_frame.h"
#include "ui/ui_text.h"

using namespace corvane;
using corvane::test::Q;

namespace {

// Real pointer input through the X server, as a user's hand gives it.
void ClickAt(const QPoint& at) {
    QProcess::execute(Q("xdotool"), {Q("mousemove"), QString::number(at.x()),
                                     QString::number(at.y()), Q("click"), Q("1")});
}

QPoint CenterOf(const QWidget* widget) { return widget->mapToGlobal(widget->rect().center()); }

}  // namespace

class AbortCompileXTest : public QObject {
    Q_OBJECT
private slots:
    void aClickOnAbortEndsTheCompile() {
        QApplication::setFont(ui::UiFont());
        test::RecordingMessageBox boxes;
        test::SampleProject project;
        ui::CCorvaneApp app(project.IniPath());
        QVERIFY(app.InitInstance({ui::PathFromSjis(project.ProjectPath())}));

        // An outside compiler that has begun and would take a minute: the window's thread
        // waits for it, as it does for the built-in one, through the same loop.
        const std::filesystem::path running = project.Folder() / "running";
        const std::filesystem::path compiler = project.Folder() / "slow-compiler";
        test::WriteFileBytes(compiler,
                             "#!/bin/sh\ntouch '" + running.string() + "'\nsleep 60\nexit 1\n");
        chmod(compiler.c_str(), 0755);
        GetOptions().m_bBuiltinCompiler = 0;
        GetOptions().m_strHHWPath = FromNativePath(compiler);

        ui::CMainFrame& frame = *app.GetMainFrame();
        frame.GetDriver().SetOpenResult(false);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        std::filesystem::create_directories(project.HelpFile().parent_path());
        test::WriteFileBytes(project.HelpFile(), "previous help file");

        // Steps taken from a timer, which fires inside the compile's wait: a click on the
        // menu bar, a look for a menu, then the click on abort.
        const QWidget* abort = frame.GetToolBar().widgetForAction(frame.AbortAction());
        QVERIFY(abort != nullptr);
        int step = 0;
        bool menuOpened = false;
        QTimer steps;
        QObject::connect(&steps, &QTimer::timeout, [&] {
            if (!std::filesystem::exists(running)) return;
            steps.stop();
            if (step == 0) {
                const QAction* file = frame.menuBar()->actions().value(0);
                ClickAt(frame.menuBar()->mapToGlobal(
                    frame.menuBar()->actionGeometry(const_cast<QAction*>(file)).center()));
            } else if (step == 1) {
                menuOpened = QApplication::activePopupWidget() != nullptr;
                ClickAt(CenterOf(abort));
            }
            ++step;
            if (step < 2) steps.start(300);
        });
        steps.start(50);

        frame.CreateHelpAction()->trigger();
        QVERIFY(frame.GetDriver().IsRunning());
        QVERIFY(test::WaitUntil([&] { return !frame.GetDriver().IsRunning(); }, 120000));
        QCOMPARE(step, 2);
        QCOMPARE(frame.GetDriver().GetOutcome(), CBuildDriver::kAborted);
        QCOMPARE(test::ReadFileBytes(project.HelpFile()), std::string("previous help file"));
        QVERIFY(boxes.boxes().empty());

        // The menu click was dropped, not kept for later.
        test::WaitUntil([] { return false; }, 500);
        QVERIFY(!menuOpened);
        QVERIFY(QApplication::activePopupWidget() == nullptr);

        app.GetDocument().SetModifiedFlag(false);
        app.ExitInstance();
    }
};

QTEST_MAIN(AbortCompileXTest)
#include "abort_compile_xtest.moc"
