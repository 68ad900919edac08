#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>

#include <unistd.h>

#include <boost/format.hpp>

#include "cli/cli_arguments.h"
#include "cli/cli_message_box.h"
#include "cli/cli_texts.h"
#include "cli/commands.h"
#include "cli/progress_display.h"
#include "crawl/build_driver.h"
#include "crawl/toc_preview.h"
#include "help/help_creator.h"
#include "net/proxy_setting.h"
#include "platform/ending_signals.h"
#include "platform/folder_create.h"
#include "platform/message_window.h"
#include "platform/program_search.h"
#include "platform/text_codec.h"
#include "project/corvane_doc.h"
#include "project/options.h"

namespace corvane {
namespace {

// Shows the driver's log and progress on the terminal.
class CCliBuildView : public CBuildDriverCallback {
public:
    explicit CCliBuildView(CProgressDisplay& display) : m_display(display) {}
    void AppendLog(const std::string& text) override { m_display.AddLine(text); }
    void CreateProgress(int upper) override { m_display.Show(0, upper); }
    void SetProgress(int position, int upper) override { m_display.Show(position, upper); }
    void DestroyProgress() override { m_display.Hide(); }
    void OnRunningChanged(bool running) override { m_bRunning = running; }
    bool IsAbortRequested() override { return CEndingSignalHandlers::Received(); }
    bool IsRunning() const { return m_bRunning; }

private:
    CProgressDisplay& m_display;
    bool m_bRunning = false;
};

}  // namespace

int RunBuildCommand(const CTerminal& terminal, const std::vector<std::string>& args) {
    CCliArguments arguments(args, {{"--help", 0},
                                   {"--yes", 0},
                                   {"--compiler", 1},
                                   {"--interval", 1},
                                   {"--workers", 1},
                                   {"--open", 0},
                                   {"--index", 0},
                                   {"--toc-only", 0},
                                   {"--proxy", 1}});
    if (arguments.Error().empty() && arguments.Has("--help")) {
        std::fputs(terminal.ToTerminal(cli::kBuildUsage).c_str(), stdout);
        return kExitMade;
    }
    int interval = 100, workers = 1;
    if (arguments.Error().empty()) {
        arguments.Number("--interval", 0, interval) &&
            arguments.Number("--workers", std::numeric_limits<int>::min(), workers);
    }
    std::string error = arguments.Error();
    // Each worker is a thread with its own connection: beyond a few dozen the wiki gains
    // nothing, and thousands exhaust the system's threads.
    if (error.empty() && (workers < 1 || workers > cli::kMaxWorkers)) {
        error = (boost::format(cli::kWorkersOutOfRange) % cli::kMaxWorkers %
                 arguments.Value("--workers"))
                    .str();
    }
    std::string proxyHost;
    int proxyPort = 0;
    const bool direct = arguments.Has("--proxy") && arguments.Value("--proxy") == "direct";
    if (error.empty() && arguments.Has("--proxy") && !direct &&
        !ParseProxyAddress(arguments.Value("--proxy"), proxyHost, proxyPort)) {
        error = (boost::format(cli::kBadProxy) % arguments.Value("--proxy")).str();
    }
    if (error.empty() && arguments.Positional().empty()) error = cli::kNoProject;
    if (error.empty() && arguments.Positional().size() > 1) {
        error = (boost::format(cli::kExtraArgument) % arguments.Positional()[1]).str();
    }
    if (!error.empty()) {
        terminal.PrintLine(stderr, error);
        terminal.PrintLine(stderr, cli::kSeeHelp);
        return kExitUsage;
    }

    CProgressDisplay display(terminal, stdout);
    CCliMessageBoxHandler boxes(terminal, arguments.Has("--yes"));
    boxes.SetDisplay(&display);
    CScopedMessageBoxHandler scopedBoxes(&boxes);

    GetOptions().LoadOptions();
    for (const std::string& warning : GetOptions().m_warnings) terminal.PrintLine(stderr, warning);
    const std::string projectPath = arguments.Positional()[0];
    CCorvaneDoc doc;
    const int boxesBefore = boxes.GetShownCount();
    if (!doc.LoadFromFile(projectPath)) {
        // The document names the file and the system's reason itself when it can.
        if (boxes.GetShownCount() == boxesBefore) {
            terminal.PrintLine(stderr, (boost::format(cli::kCannotLoad) % projectPath).str());
        }
        return kExitFailed;
    }

    CCliBuildView view(display);
    // The contents preview is a run of its own, beside the build.
    std::unique_ptr<CBuildDriver> pDriver = arguments.Has("--toc-only")
                                                ? std::make_unique<CTocPreview>(doc, view)
                                                : std::make_unique<CBuildDriver>(doc, view);
    CBuildDriver& driver = *pDriver;
    // "builtin" names the compiler inside the program; anything else is a program to run.
    const std::string compiler =
        arguments.Has("--compiler") ? arguments.Value("--compiler") : ChosenCompiler(GetOptions());
    driver.SetCompilerPath(CHelpCreator::IsBuiltinCompiler(compiler) ? compiler
                                                                     : ResolveProgram(compiler));
    driver.SetThreadCount(workers);
    driver.SetInterval(interval);
    driver.SetOpenResult(arguments.Has("--open"));
    if (arguments.Has("--index")) driver.SetKeywordIndex(true);
    if (direct) {
        driver.SetProxy(kProxyDirect, std::string(), 0);
    } else if (arguments.Has("--proxy")) {
        driver.SetProxy(kProxyServer, proxyHost, proxyPort);
    }

    CEndingSignalHandlers::Reset();
    // Ctrl-C at the folder question still ends the program at once; from the start of the
    // crawl on, Ctrl-C, SIGTERM and SIGHUP abort the run, the compile included, and the
    // output folder keeps what it had. No crawl event is handled before the queue is pumped.
    if (driver.OnCreateHelp()) {
        CEndingSignalHandlers handlers;
        auto queue = CMessageQueue::ForCurrentThread();
        while (view.IsRunning()) {
            queue->RunUntil([&] { return !view.IsRunning() || CEndingSignalHandlers::Received(); },
                            100);
            if (CEndingSignalHandlers::Received() && view.IsRunning()) driver.OnAbortDownload();
        }
    }

    switch (driver.GetOutcome()) {
        case CBuildDriver::kBuilt: {
            std::string helpFile =
                WithTrailingSeparator(doc.GetFolder()) + doc.GetBaseName() + ".chm";
            terminal.PrintLine(stdout, (boost::format(cli::kHelpFileMade) % helpFile).str());
            if (driver.GetFailedPageCount() > 0) {
                // The log's summary says which pages; a script learns it from the status.
                terminal.PrintLine(
                    stderr, (boost::format(cli::kPagesFailed) % driver.GetFailedPageCount()).str());
                return kExitPagesFailed;
            }
            return kExitMade;
        }
        case CBuildDriver::kTocShown:
            return kExitMade;
        case CBuildDriver::kAborted:
            return kExitAborted;
        default:
            terminal.PrintLine(stderr, cli::kNotMade);
            return CEndingSignalHandlers::Received() ? kExitAborted : kExitFailed;
    }
}

}  // namespace corvane
