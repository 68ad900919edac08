// The create-help command from validation to the compiled help file, and its abort: the
// logic the main window runs, kept free of any window system so that the desktop program
// and the command line drive the same code.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "crawl/downloader.h"
#include "crawl/downloader_listener.h"
#include "crawl/web_page.h"
#include "help/toc_extractor.h"
#include "text/text_encoding.h"

namespace corvane {

class COptions;

// The compiler the options choose: the built-in one (CHelpCreator::kBuiltinCompiler) or the
// program at HHWPath.
std::string ChosenCompiler(const COptions& options);

class CCorvaneDoc;
class CCVNFilter;
class CDownloaderConfig;

// What the driver shows, implemented by the front end. Message boxes go through
// ShowMessageBox (platform/message_box.h).
class CBuildDriverCallback {
public:
    virtual ~CBuildDriverCallback() = default;
    // One line for the log window (and the status bar's first pane).
    virtual void AppendLog(const std::string& text) = 0;
    // The status bar's progress bar: made when the crawl starts, moved as pages finish,
    // removed when the crawl ends.
    virtual void CreateProgress(int upper) = 0;
    virtual void SetProgress(int position, int upper) = 0;
    virtual void DestroyProgress() = 0;
    // Before a build: move the form's values into the document and save the project. The
    // command line has no form and keeps the project file as the user wrote it.
    virtual void CommitAndSave() {}
    // The run started or ended (command enabling; the command line's wait loop).
    virtual void OnRunningChanged(bool /*running*/) {}
    // Called now and then while the driver waits on the calling thread (the help compiler
    // runs): a window repaints from here, so a long compile does not look hung.
    virtual void WhileBusy() {}
    // Asked now and then during the help build: true aborts it as the abort command does
    // (the command line's Ctrl-C, SIGTERM and SIGHUP).
    virtual bool IsAbortRequested() { return false; }
};

class CBuildDriver : public CDownloaderListener {
public:
    // How the last run ended.
    // kStartPageFailed: the start page did not come back, so nothing was built. kBuilt may
    // still have failed pages (GetFailedPageCount).
    // kTocShown: a contents preview ended with the tree in the log.
    enum Outcome {
        kNotRun,
        kRefused,
        kAborted,
        kNoStartPage,
        kFailed,
        kBuilt,
        kStartPageFailed,
        kTocShown
    };

    CBuildDriver(CCorvaneDoc& doc, CBuildDriverCallback& callback);
    ~CBuildDriver() override;
    CBuildDriver(const CBuildDriver&) = delete;
    CBuildDriver& operator=(const CBuildDriver&) = delete;

    // The help compiler (default: the options' choice, ChosenCompiler), the crawl's workers and
    // pause before each page (defaults 1 and 100 ms), and whether the help file is opened once
    // made.
    void SetCompilerPath(const std::string& path) { m_strCompilerPath = path; }
    void SetThreadCount(int count) { m_nThreadCount = count; }
    void SetInterval(int milliseconds) { m_nInterval = milliseconds; }
    void SetOpenResult(bool open) { m_bOpenResult = open; }
    void SetKeywordIndex(bool on) { m_bKeywordIndex = on; }
    // How the crawl reaches the wiki (default: the proxy options): a ProxyType of
    // net/proxy_setting.h, with the host and port of a given proxy.
    void SetProxy(int type, const std::string& host, int port) {
        m_nProxyType = type;
        m_strProxyHost = host;
        m_nProxyPort = port;
    }
    // How long a fetch may wait for the server (0: the network layer's default, 20 s).
    void SetFetchTimeout(int milliseconds) { m_nFetchTimeout = milliseconds; }

    // The create-help command: 1 when the crawl was started. Events arrive through the
    // calling thread's message queue, which the caller pumps.
    int OnCreateHelp();
    // The checks before a run: 1 = go on; 0 = stop (the user has been told why).
    int ValidateProject();
    // The abort command: stops the crawl synchronously; the run ends with "中断しました".
    void OnAbortDownload();
    // The help build after a crawl that ended normally.
    void BuildHelp(std::vector<CWebPage*>& pages);
    void AddLog(const std::string& text);

    bool IsRunning() const { return m_bRunning; }
    bool IsCreateHelpEnabled() const { return !m_bRunning; }
    bool IsAbortEnabled() const { return m_bRunning; }
    Outcome GetOutcome() const { return m_nOutcome; }
    // Pages of the last run that did not come back (the start page included).
    int GetFailedPageCount() const { return m_nFailedPages; }

    void OnStarted(std::vector<CWebPage*> pages) override;
    void OnPageFinished(CWebPage* page, const CCheckResult& result) override;
    void OnFinished(std::vector<CWebPage*> pages, int reason) override;

protected:
    // The steps in which another run mode (the contents preview) differs from a build.
    // The checks and preparations before the crawl: false refuses the run (the user has
    // been told why).
    virtual bool PrepareRun();
    // The crawl's output folder, its level and its workers, once the defaults are set.
    virtual void PlanCrawl(CDownloaderConfig& config);
    virtual CCVNFilter* MakeFilter(const std::string& search, const std::string& replace) const;
    // The crawl ended normally and the start page came back.
    virtual void OnCrawlEnded(std::vector<CWebPage*>& pages);
    // The run's pages are gone, or the run did not start.
    virtual void OnRunClosed() {}
    // Ends a run still going, while a derived mode can still hear of it.
    void StopCrawl() { m_pDownloader.reset(); }

    void SetRunning(bool running);
    std::string Folder() const;
    void WarnContents(const std::string& startText, CHelpNode* root, const CTocWalk& walk);
    // Empty, or why the proxy setting cannot be used.
    std::string CheckProxy() const;
    CWebPage* FindStartPage(const std::vector<CWebPage*>& pages) const;
    void AdvanceProgress(const CCheckResult& result);

    CCorvaneDoc& m_doc;
    Outcome m_nOutcome = kNotRun;

private:
    void LogFailureSummary();
    void WarnEmptyContents(const std::string& startText);

    CBuildDriverCallback& m_callback;
    std::unique_ptr<CDownloader> m_pDownloader;
    bool m_bRunning = false;
    bool m_bAborting = false;
    bool m_bBuilding = false;      // inside BuildHelp: the abort command ends the compile
    bool m_bBuildAborted = false;  // the abort command came during the help build
    bool m_bProgress = false;
    int m_nProgressPosition = 0;
    int m_nProgressUpper = 0;
    std::string m_strCompilerPath;
    int m_nThreadCount = 1;
    int m_nInterval = 100;
    bool m_bOpenResult = true;
    bool m_bKeywordIndex;
    bool m_bJapaneseSearch;
    int m_nFetchTimeout = 0;
    int m_nProxyType;
    std::string m_strProxyHost;
    int m_nProxyPort;
    // The failures of the current run: how many, the first few with their reasons, and the
    // start page's own.
    std::string m_strStartUrl;
    // The charset the site's pages declare: page names in the links of images and
    // attachments, which declare none, are percent-encoded in it.
    TextEncoding m_nSiteEncoding = kEncodingUndetermined;
    int m_nFailedPages = 0;
    std::vector<std::pair<std::string, std::string>> m_failures;
    bool m_bStartFailed = false;
    std::string m_strStartReason;
};

// The saved start page as its lines joined with CR LF (no line end after the last line);
// empty when the file cannot be read.
std::string ReadPageLines(const std::string& path);

}  // namespace corvane
