// The desktop program end to end: the sample project opened, ヘルプ作成 against the
// loopback sample wiki, the log and the progress bar during the run, the help file with
// every sample page; then a second run aborted with ダウンロード中止.
#include <QtTest>
#include <filesystem>
#include <set>

#include "gui/gui_support.h"
#include "platform/process_runner.h"
#include "platform/text_codec.h"
#include "project/corvane_doc.h"
#include "project/options.h"
#include "support/recording_message_box.h"
#include "ui/corvane_app.h"
#include "ui/log_bar.h"
#include "ui/main_frame.h"
#include "ui/progress_bar.h"
#include "ui/status_bar.h"
#include "ui/ui_text.h"

using namespace corvane;
using corvane::test::Q;

namespace {

// The names chmls lists for the help file.
std::set<std::string> HelpFileEntries(const std::filesystem::path& chm) {
    CProcessRun run;
    run.args = {"chmls", "list", FromNativePath(chm)};
    run.bCaptureOutput = true;
    std::set<std::string> names;
    if (RunProgram(run) != 1 || run.nExitCode != 0) return names;
    size_t start = 0;
    while (start < run.strOutput.size()) {
        size_t end = run.strOutput.find('\n', start);
        if (end == std::string::npos) end = run.strOutput.size();
        const std::string line = run.strOutput.substr(start, end - start);
        const size_t slash = line.find('/');
        if (slash != std::string::npos) names.insert(line.substr(slash + 1));
        start = end + 1;
    }
    return names;
}

}  // namespace

class GuiBuildTest : public QObject {
    Q_OBJECT
private slots:
    void buildsTheSampleWikiThenAbortsASecondRun() {
        QApplication::setFont(ui::UiFont());
        test::RecordingMessageBox boxes;
        test::SampleProject project;
        ui::CCorvaneApp app(project.IniPath());
        QVERIFY(app.InitInstance({ui::PathFromSjis(project.ProjectPath())}));
        GetOptions().m_strHHWPath = DefaultHHWPath();
        ui::CMainFrame& frame = *app.GetMainFrame();
        frame.GetDriver().SetOpenResult(false);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        ui::CLogEdit& log = frame.GetLogBar().GetLogEdit();

        // The run, watched from the window's side only.
        bool sawProgress = false;
        int highestUpper = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (ui::CProgressBar* bar = frame.GetProgressBar()) {
                sawProgress = sawProgress || bar->isVisible();
                highestUpper = std::max(highestUpper, bar->maximum());
            }
        });
        watch.start(5);
        frame.CreateHelpAction()->trigger();
        QVERIFY(frame.GetDriver().IsRunning());
        QVERIFY(!frame.CreateHelpAction()->isEnabled());
        QVERIFY(test::WaitUntil([&] { return !frame.GetDriver().IsRunning(); }, 120000));
        watch.stop();

        QVERIFY2(boxes.boxes().empty(),
                 boxes.boxes().empty() ? "" : qPrintable(ui::FromSjis(boxes.boxes()[0].text)));
        QVERIFY(sawProgress);
        QVERIFY(highestUpper >= 15);
        QVERIFY(frame.GetProgressBar() == nullptr);
        QVERIFY(frame.CreateHelpAction()->isEnabled());
        QVERIFY(!frame.AbortAction()->isEnabled());
        const QString text = log.toPlainText();
        QVERIFY(text.contains(Q("ダウンロードを開始しました。")));
        QVERIFY(text.contains(Q("ダウンロード終了 [FrontPage] ")));
        QVERIFY(text.contains(Q("チェック終了 ")));
        QCOMPARE(frame.GetDriver().GetOutcome(), CBuildDriver::kBuilt);
        QVERIFY(std::filesystem::file_size(project.HelpFile()) > 0);

        // Every page of the sample wiki is in the help file.
        const std::set<std::string> entries = HelpFileEntries(project.HelpFile());
        int pages = 0;
        for (const auto& entry : std::filesystem::directory_iterator(project.Folder() / "help")) {
            if (entry.path().extension() != ".html") continue;
            ++pages;
            QVERIFY2(entries.count(entry.path().filename().string()) == 1,
                     entry.path().filename().string().c_str());
        }
        QCOMPARE(pages, 19);

        // A second run, aborted: the first help file stays as it was.
        const std::string first = test::ReadFileBytes(project.HelpFile());
        const auto stamp = std::filesystem::last_write_time(project.HelpFile());
        frame.CreateHelpAction()->trigger();
        QVERIFY(frame.GetDriver().IsRunning());
        QVERIFY(test::WaitUntil([&] { return frame.GetProgressBar() != nullptr; }, 10000));
        frame.AbortAction()->trigger();
        QVERIFY(!frame.GetDriver().IsRunning());
        QCOMPARE(log.GetLine(log.GetLineCount() - 2), Q("中断しました"));
        QCOMPARE(frame.GetDriver().GetOutcome(), CBuildDriver::kAborted);
        QVERIFY(frame.CreateHelpAction()->isEnabled());
        QCOMPARE(test::ReadFileBytes(project.HelpFile()), first);
        QCOMPARE(std::filesystem::last_write_time(project.HelpFile()), stamp);
        QVERIFY(boxes.boxes().empty());

        app.GetDocument().SetModifiedFlag(false);
        app.ExitInstance();
    }
};

QTEST_MAIN(GuiBuildTest)
#include "gui_build_test.moc"
