// SIGTERM, SIGHUP and SIGINT reach the desktop program through its event loop: a crawl or a
// help compile under way ends as ダウンロード中止 ends it (the previous help file kept, no
// temporary file left), and the window closes without a question nobody could answer.
#include <signal.h>
#include <sys/stat.h>
#include <QProcess>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "gui/gui_support.h"
#include "platform/atomic_file.h"
#include "platform/text_codec.h"
#include "project/corvane_doc.h"
#include "project/options.h"
#include "support/recording_message_box.h"
#include "support/test_paths.h"
#include "ui/corvane_app.h"
#include "ui/ending_signals.h"
#include "ui/log_bar.h"
#include "ui/main_frame.h"
#include "ui/ui_text.h"

using namespace corvane;
using corvane::test::Q;

namespace {

constexpr char kPrevious[] = "the help file of the run before";

// Temporary files anywhere in the output folder.
std::vector<std::string> TemporaryFiles(const std::filesystem::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (IsTemporaryFileName(entry.path().filename().string())) {
            found.push_back(entry.path().string());
        }
    }
    return found;
}

// The sample project opened in the window, with the signals routed to it as the program
// does, and a help file from an earlier run in the output folder.
struct SignalledWindow {
    test::RecordingMessageBox boxes;
    test::SampleProject project;
    ui::CCorvaneApp app{project.IniPath()};
    ui::CEndingSignals endingSignals;

    bool Open() {
        if (!app.InitInstance({ui::PathFromSjis(project.ProjectPath())})) return false;
        QObject::connect(&endingSignals, &ui::CEndingSignals::Received, &Frame(),
                         &ui::CMainFrame::EndBySignal);
        Frame().GetDriver().SetOpenResult(false);
        Frame().show();
        test::WriteFileBytes(project.HelpFile(), kPrevious);
        return QTest::qWaitForWindowExposed(&Frame());
    }
    ui::CMainFrame& Frame() { return *app.GetMainFrame(); }
    bool Closed() { return !Frame().isVisible() && !Frame().GetDriver().IsRunning(); }
    // The run ended as aborted: the earlier help file as it was, no temporary file, no box.
    void CheckRunAborted() {
        QCOMPARE(Frame().GetDriver().GetOutcome(), CBuildDriver::kAborted);
        QCOMPARE(test::ReadFileBytes(project.HelpFile()), std::string(kPrevious));
        QCOMPARE(TemporaryFiles(project.Folder() / "help"), std::vector<std::string>());
        QVERIFY(boxes.boxes().empty());
    }
};

// Whether the process has a handler of its own for `signal` (the SigCgt mask of /proc).
bool Catches(qint64 pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) {
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1) & 1) != 0;
        }
    }
    return false;
}

}  // namespace

class EndingSignalTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setFont(ui::UiFont()); }

    void aSignalDuringTheCrawlAbortsItAndCloses_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void aSignalDuringTheCrawlAbortsItAndCloses() {
        QFETCH(int, signal);
        SignalledWindow window;
        QVERIFY(window.Open());
        ui::CMainFrame& frame = window.Frame();
        GetOptions().m_strHHWPath = DefaultHHWPath();
        frame.CreateHelpAction()->trigger();
        QVERIFY(test::WaitUntil([&] { return frame.GetProgressBar() != nullptr; }, 10000));
        QVERIFY(frame.GetDriver().IsRunning());

        kill(getpid(), signal);
        QVERIFY(test::WaitUntil([&] { return window.Closed(); }, 5000));
        QVERIFY(frame.GetLogBar().GetLogEdit().toPlainText().contains(Q("中断しました")));
        window.CheckRunAborted();
        window.app.ExitInstance();
    }

    void aSignalDuringTheCompileEndsItAndCloses() {
        SignalledWindow window;
        QVERIFY(window.Open());
        ui::CMainFrame& frame = window.Frame();
        // An outside compiler that has begun and would take a minute.
        const std::filesystem::path running = window.project.Folder() / "running";
        const std::filesystem::path compiler = window.project.Folder() / "slow-compiler";
        test::WriteFileBytes(compiler,
                             "#!/bin/sh\ntouch '" + running.string() + "'\nsleep 60\nexit 1\n");
        chmod(compiler.c_str(), 0755);
        GetOptions().m_bBuiltinCompiler = 0;
        GetOptions().m_strHHWPath = FromNativePath(compiler);
        // The compile waits on the window's thread: the signal comes from outside, as it
        // would, once the compiler has started.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (std::filesystem::exists(running)) {
                watch.stop();
                kill(getpid(), SIGTERM);
            }
        });
        watch.start(10);
        QElapsedTimer clock;
        clock.start();
        frame.CreateHelpAction()->trigger();
        QVERIFY(test::WaitUntil([&] { return window.Closed(); }, 20000));
        QVERIFY2(clock.elapsed() < 20000, "the compiler was waited for");
        QVERIFY(std::filesystem::exists(running));
        window.CheckRunAborted();
        window.app.ExitInstance();
    }

    void aSignalWhenIdleClosesWithoutAsking() {
        SignalledWindow window;
        QVERIFY(window.Open());
        window.app.GetDocument().SetModifiedFlag(true);
        kill(getpid(), SIGINT);
        QVERIFY(test::WaitUntil([&] { return window.Closed(); }, 5000));
        // The save question would wait for an answer nobody gives.
        QVERIFY(window.boxes.boxes().empty());
        window.app.GetDocument().SetModifiedFlag(false);
        window.app.ExitInstance();
    }

    // The program itself: SIGTERM ends it through its window, which saves the options as a
    // closed window does, instead of killing it.
    void theProgramEndsInOrderOnSigterm() {
        test::ScratchDir home;
        test::SampleProject project(false);
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(Q("XDG_CONFIG_HOME"), QString::fromStdString(home.path().string()));
        environment.insert(Q("QT_QPA_PLATFORM"), Q("offscreen"));
        program.setProcessEnvironment(environment);
        program.start(QString::fromStdString((test::BinaryDir() / "bin" / "corvane").string()),
                      {QString::fromStdString(FromNativePath(project.Folder() / "sample.xml"))});
        QVERIFY(program.waitForStarted(10000));
        QVERIFY(test::WaitUntil([&] { return Catches(program.processId(), SIGTERM); }, 20000));
        kill(static_cast<pid_t>(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(std::filesystem::exists(home.path() / "corvane" / "corvane.ini"));
    }
};

QTEST_MAIN(EndingSignalTest)
#include "ending_signal_test.moc"
