#include "crawl/build_driver.h"

#include <algorithm>
#include <boost/format.hpp>
#include <climits>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "convert/content_kind.h"
#include "convert/cvn_filter.h"
#include "convert/wiki_url.h"
#include "crawl/build_texts.h"
#include "crawl/discovery_order.h"
#include "crawl/downloader_config.h"
#include "crawl/downloader_thread.h"
#include "crawl/failed_links.h"
#include "crawl/page_failure.h"
#include "crawl/project_checks.h"
#include "help/help_creator.h"
#include "help/toc_extractor.h"
#include "net/proxy_setting.h"
#include "platform/atomic_file.h"
#include "platform/control_chars.h"
#include "platform/exclusive_open.h"
#include "platform/folder_create.h"
#include "platform/message_box.h"
#include "platform/program_search.h"
#include "platform/sjis_text.h"
#include "platform/text_codec.h"
#include "project/corvane_doc.h"
#include "project/options.h"
#include "text/reg_manager.h"

namespace corvane {
namespace {

constinit CSjisText kStarted{"ダウンロードを開始しました。"};
constinit CSjisText kInsecureTlsWarning{
    "警告: このプロジェクトは HTTPS のサーバー証明書のホスト名と有効期限を確認しません "
    "(InsecureTls)。なりすましたサーバーにもパスワードが送られます。"};
constinit CSjisText kPageFinished{"ダウンロード終了 [%s] %s"};
constinit CSjisText kCheckFinished{"チェック終了 %d"};
constinit CSjisText kAbortedLog{"中断しました"};
constinit CSjisText kNoCompiler{
    "ヘルプコンパイラが指定されたパスに見つかりません\n"
    "[%s]"};
constinit CSjisText kCreateFolder{
    "出力フォルダを作成しますか？\n"
    "[%s]"};
constinit CSjisText kNoFolder{"出力フォルダを入力してください\n"};
constinit CSjisText kNoBaseName{"ファイル名を入力してください\n"};
constinit CSjisText kChmInUse{
    "CHMファイルがオープンできません\n"
    "[%s]"};
constinit CSjisText kBadProxy{
    "プロキシの設定が正しくありません。ホスト名とポート番号 (1-65535) を確かめてください\n"
    "[%s:%d]"};
constinit CSjisText kPageFailed{"  取得に失敗しました: %s"};
constinit CSjisText kFailureSummary{"取得に失敗したページ: %d 件"};
constinit CSjisText kFailureLine{"  %s (%s)"};
constinit CSjisText kMoreFailures{"  ほか %d 件"};
constinit CSjisText kStartPageFailedBox{
    "開始ページを取得できませんでした\n"
    "[%s]\n"
    "%s"};
constinit CSjisText kTocPatternNotFound{
    "警告: 目次の開始パターンが開始ページに見つかりません。目次は空になります [%s]"};
constinit CSjisText kTocListMissing{
    "警告: 目次の開始パターンの直後に箇条書きがありません。目次は空になります [%s]"};
constinit CSjisText kTocStoppedAfter{"警告: 目次は「%s」の項目で終わっています。%s: %s"};
constinit CSjisText kTocStoppedAtFirst{"警告: 目次の箇条書きを最初の項目から読めません。%s: %s"};
constinit CSjisText kTocItemWithoutLink{"リンクで始まらない項目があります"};
constinit CSjisText kTocUnexpected{"箇条書きの中に項目でも箇条書きでもないものがあります"};
constinit CSjisText kTocPageEnded{"箇条書きが閉じないままページが終わっています"};

// Failed pages named in the summary; the log has a line for each of them anyway.
constexpr std::size_t kSummaryPages = 5;

bool PathExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(ToNativePath(path), ec);
}

}  // namespace

std::string ReadPageLines(const std::string& path) {
    std::ifstream in(ToNativePath(path), std::ios::binary);
    if (!in) return std::string();
    std::string text, line;
    bool first = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!first) text += "\r\n";
        text += line;
        first = false;
    }
    return text;
}

std::string ChosenCompiler(const COptions& options) {
    return options.m_bBuiltinCompiler != 0 ? CHelpCreator::kBuiltinCompiler : options.m_strHHWPath;
}

CBuildDriver::CBuildDriver(CCorvaneDoc& doc, CBuildDriverCallback& callback)
    : m_doc(doc),
      m_callback(callback),
      m_pDownloader(std::make_unique<CDownloader>()),
      m_strCompilerPath(ChosenCompiler(GetOptions())),
      m_bKeywordIndex(GetOptions().m_bKeywordIndex != 0),
      m_bJapaneseSearch(GetOptions().m_bJapaneseSearch != 0),
      m_nProxyType(GetOptions().m_nProxyType),
      m_strProxyHost(GetOptions().m_strProxyHost),
      m_nProxyPort(GetOptions().m_nProxyPort) {}

CBuildDriver::~CBuildDriver() {
    // Destroying the engine stops a run still going (reason 1: nothing is built).
    m_pDownloader.reset();
}

std::string CBuildDriver::Folder() const {
    // What the project form does when it commits the folder; an empty folder stays empty.
    return WithTrailingSeparator(m_doc.GetFolder());
}

void CBuildDriver::SetRunning(bool running) {
    if (m_bRunning == running) return;
    m_bRunning = running;
    m_callback.OnRunningChanged(running);
}

// One line per event: a line break or terminal sequence in a page name, URL or server's
// reason must not make lines of its own.
void CBuildDriver::AddLog(const std::string& text) {
    m_callback.AppendLog(ShowControlCharacters(text));
}

int CBuildDriver::ValidateProject() {
    // A compiler given by name alone is the one PATH finds, as in a shell.
    const bool builtin = CHelpCreator::IsBuiltinCompiler(m_strCompilerPath);
    const std::string compiler = builtin ? m_strCompilerPath : ResolveProgram(m_strCompilerPath);
    if (!builtin && (compiler.find('/') == std::string::npos || !PathExists(compiler))) {
        ShowMessageBox((boost::format(kNoCompiler) % m_strCompilerPath).str(), kBuildCaption,
                       MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    m_strCompilerPath = compiler;
    const std::string folder = Folder();
    if (folder.empty()) {
        // Never the file-system root: an empty folder is a folder still to be given.
        ShowMessageBox(kNoFolder, kBuildCaption, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    if (!FolderExists(folder)) {
        if (ShowMessageBox((boost::format(kCreateFolder) % folder).str(), kBuildCaption,
                           MB_YESNO | MB_ICONQUESTION) != IDYES) {
            return 0;
        }
        if (!CreateFolderChain(folder)) {
            ShowMessageBox(kFolderFailed, kBuildCaption, MB_OK | MB_ICONEXCLAMATION);
            return 0;
        }
    }
    if (m_doc.GetBaseName().empty()) {
        ShowMessageBox(kNoBaseName, kBuildCaption, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    const std::string helpFile = folder + m_doc.GetBaseName() + ".chm";
    if (PathExists(helpFile) && !CanOpenExclusively(helpFile)) {
        ShowMessageBox((boost::format(kChmInUse) % helpFile).str(), kBuildCaption,
                       MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    if (m_doc.GetURL().empty()) {
        ShowMessageBox(kNoUrl, kBuildCaption, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    // Settings that would only fail after the whole crawl, or fail every page.
    for (const std::string& problem :
         {CheckFolderWritable(folder), CheckBaseName(m_doc.GetBaseName()),
          CheckBaseNameForCompiler(m_doc.GetBaseName(), m_strCompilerPath),
          CheckTitle(m_doc.GetTitle()), CheckStartUrl(m_doc.GetURL()),
          CheckUrlCredentials(m_doc.GetURL()), CheckTocPattern(m_doc.GetTocPat()),
          CheckRuleFiles(GetConfFolder(), GetConfFolderCandidates()), CheckProxy()}) {
        if (!problem.empty()) {
            ShowMessageBox(problem, kBuildCaption, MB_OK | MB_ICONEXCLAMATION);
            return 0;
        }
    }
    return 1;
}

std::string CBuildDriver::CheckProxy() const {
    if (m_nProxyType != kProxyServer) return std::string();
    if (IsValidProxyHost(m_strProxyHost) && m_nProxyPort >= 1 && m_nProxyPort <= 65535) {
        return std::string();
    }
    return (boost::format(kBadProxy) % m_strProxyHost % m_nProxyPort).str();
}

bool CBuildDriver::PrepareRun() {
    if (!ValidateProject()) return false;
    // A build that was killed outright could not clean up after itself.
    RemoveTemporaryFiles(ToNativePath(Folder()));
    return true;
}

void CBuildDriver::PlanCrawl(CDownloaderConfig& config) {
    config.m_nThreadCount = m_nThreadCount;
    config.SetFolder(Folder());
    config.SetLevel(m_doc.GetLevel());
}

CCVNFilter* CBuildDriver::MakeFilter(const std::string& search, const std::string& replace) const {
    return new CCVNFilter(search, replace, m_doc.GetTitle(), m_doc.GetFooter(), GetBodyRulesPath(),
                          GetReplaceRulesPath());
}

int CBuildDriver::OnCreateHelp() {
    if (m_bRunning) return 0;
    m_callback.CommitAndSave();
    if (!PrepareRun()) {
        m_nOutcome = kRefused;
        return 0;
    }
    m_pDownloader->RemoveAllListeners();
    m_pDownloader->AddListener(this);

    // Owned here until the engine takes them: a run that cannot start frees them again.
    auto config = std::make_unique<CDownloaderConfig>();
    config->m_nInterval = m_nInterval;
    PlanCrawl(*config);
    // The crawl starts from one page: further workers are useful only when they wait for
    // the pages that the first one finds.
    if (config->m_nThreadCount > 1) config->SetWaitForNewPages(true);

    // The settings of every fetch of the run; each worker is a clone of this one.
    CFetchSettings fetch;
    if (m_nFetchTimeout > 0) fetch.nTimeout = m_nFetchTimeout;
    fetch.bInsecureTls = m_doc.GetInsecureTls() != 0;
    fetch.nPageTimeLimit = std::min(GetOptions().m_nPageTimeLimit, INT_MAX / 1000) * 1000;
    fetch.bUseProxy = m_nProxyType != kProxyDirect;
    fetch.strProxyHost = m_nProxyType == kProxyServer ? m_strProxyHost : std::string();
    fetch.nProxyPort = m_nProxyPort;
    fetch.nMemoryLimit = GetOptions().m_nMaxPageSize;
    fetch.nSinkLimit = GetOptions().m_nMaxFileSize;
    auto prototype = std::make_unique<CDownloaderThread>();
    prototype->SetFetchSettings(fetch);
    std::string search, replace;
    if (m_doc.GetConvWikiName()) {
        search = m_doc.GetWikiNameSearch();
        replace = m_doc.GetWikiNameReplace();
    }
    // The start URL and its credentials are worked out here, once for the whole run.
    CCVNFilter* filter = MakeFilter(search, replace);
    filter->SetStartUrl(m_doc.GetURL());
    prototype->SetFilter(filter);
    // With authentication switched off the stored user and password stay in the project
    // (the form keeps them) but are never sent.
    if (m_doc.GetUseAuth()) {
        prototype->SetSiteCredentials(CSiteCredentials::ForStartPage(
            m_doc.GetURL(), m_doc.GetUser(), CCorvaneDoc::UnscramblePassword(m_doc.GetPassword())));
    }

    auto start = std::make_unique<CWebPage>(m_doc.GetURL());
    start->SetLevel(0);

    m_nOutcome = kNotRun;
    m_strStartUrl = m_doc.GetURL();
    m_nFailedPages = 0;
    m_nSiteEncoding = kEncodingUndetermined;
    m_failures.clear();
    m_bStartFailed = false;
    m_strStartReason.clear();
    std::vector<CWebPage*> pages{start.get()};
    if (!m_pDownloader->Start(pages, prototype.get(), config.get())) {
        // Not started: nothing was handed over, and the owners above free it all.
        OnRunClosed();
        return 0;
    }
    start.release();
    prototype.release();
    config.release();
    SetRunning(true);
    return 1;
}

void CBuildDriver::OnAbortDownload() {
    if (!m_bRunning) return;
    if (m_bBuilding) {
        // The crawl is over; the help build notices this and keeps the previous help file.
        m_bBuildAborted = true;
        return;
    }
    m_bAborting = true;
    m_pDownloader->Stop(0);
    m_bAborting = false;
}

void CBuildDriver::OnStarted(std::vector<CWebPage*> pages) {
    m_bProgress = true;
    m_nProgressPosition = 0;
    m_nProgressUpper = static_cast<int>(pages.size());
    m_callback.CreateProgress(m_nProgressUpper);
    AddLog(kStarted);
    // Said at every run, so that an opt-out made once for a test is not forgotten.
    if (m_doc.GetInsecureTls()) AddLog(kInsecureTlsWarning);
}

void CBuildDriver::OnPageFinished(CWebPage* page, const CCheckResult& result) {
    std::string base, name;
    // The name is percent-encoded in the site's encoding, which the answer declares, or,
    // for an image or attachment, the site's pages declared before it.
    TextEncoding encoding = DeclaredCharset(result.m_strHeaders);
    if (encoding == kEncodingUndetermined) {
        encoding = m_nSiteEncoding;
    } else if (m_nSiteEncoding == kEncodingUndetermined) {
        m_nSiteEncoding = encoding;
    }
    SplitPageUrl(page->GetURL(), base, name, "", encoding);
    AddLog((boost::format(kPageFinished) % name % page->GetURL()).str());
    if (IsFailedPage(result)) {
        const std::string reason = PageFailureReason(result);
        AddLog((boost::format(kPageFailed) % reason).str());
        ++m_nFailedPages;
        if (m_failures.size() < kSummaryPages) m_failures.emplace_back(page->GetURL(), reason);
        if (page->GetLevel() == 0 && page->GetURL() == m_strStartUrl) {
            m_bStartFailed = true;
            m_strStartReason = reason;
        }
    }
    AdvanceProgress(result);
}

void CBuildDriver::AdvanceProgress(const CCheckResult& result) {
    if (!m_bProgress) return;
    m_nProgressUpper = result.m_nPageCount;
    ++m_nProgressPosition;
    m_callback.SetProgress(m_nProgressPosition, m_nProgressUpper);
}

void CBuildDriver::OnFinished(std::vector<CWebPage*> pages, int reason) {
    // The crawl's progress ends with the crawl: the compile and the viewer have none.
    if (m_bProgress) {
        m_callback.DestroyProgress();
        m_bProgress = false;
    }
    if (reason == 0) {
        if (m_bAborting) {
            AddLog(kAbortedLog);
            m_nOutcome = kAborted;
            SetRunning(false);
        } else {
            AddLog((boost::format(kCheckFinished) % static_cast<int>(pages.size())).str());
            if (m_bStartFailed) {
                // The wiki's error page or nothing at all: not worth a help file.
                LogFailureSummary();
                m_nOutcome = kStartPageFailed;
                ShowMessageBox(
                    (boost::format(kStartPageFailedBox) % m_strStartUrl % m_strStartReason).str(),
                    kBuildCaption, MB_OK | MB_ICONEXCLAMATION);
                SetRunning(false);
            } else {
                OnCrawlEnded(pages);
            }
        }
    }
    DeleteAll(pages);
    OnRunClosed();
    if (reason != 0) SetRunning(false);
}

void CBuildDriver::OnCrawlEnded(std::vector<CWebPage*>& pages) {
    BuildHelp(pages);
    LogFailureSummary();
}

void CBuildDriver::LogFailureSummary() {
    if (m_nFailedPages == 0) return;
    AddLog((boost::format(kFailureSummary) % m_nFailedPages).str());
    for (const auto& [url, reason] : m_failures) {
        AddLog((boost::format(kFailureLine) % url % reason).str());
    }
    const int more = m_nFailedPages - static_cast<int>(m_failures.size());
    if (more > 0) AddLog((boost::format(kMoreFailures) % more).str());
}

void CBuildDriver::WarnContents(const std::string& startText, CHelpNode* root,
                                const CTocWalk& walk) {
    // A list that the walk left before it closed loses every entry after that point: say
    // where and why, so that the page or the pattern can be mended.
    const char* reason = nullptr;
    if (walk.m_nStop == CTocWalk::kItemWithoutLink) reason = kTocItemWithoutLink.c_str();
    if (walk.m_nStop == CTocWalk::kUnexpected) reason = kTocUnexpected.c_str();
    if (walk.m_nStop == CTocWalk::kPageEnded) reason = kTocPageEnded.c_str();
    if (reason != nullptr && !walk.m_strLastEntry.empty()) {
        AddLog((boost::format(kTocStoppedAfter.str()) % walk.m_strLastEntry % reason % walk.m_strAt)
                   .str());
    } else if (reason != nullptr) {
        AddLog((boost::format(kTocStoppedAtFirst.str()) % reason % walk.m_strAt).str());
    } else if (root->GetChildren()->empty()) {
        WarnEmptyContents(startText);
    }
}

void CBuildDriver::WarnEmptyContents(const std::string& startText) {
    // The help file is still made, but a contents with the top entry alone is rarely what
    // the user meant: say which part of the pattern's road came up empty.
    const std::string& pattern = m_doc.GetTocPat();
    CRegManager reg;
    if (!pattern.empty() && reg.Search(WikiPartOfPage(startText), pattern, "i") <= 0) {
        AddLog((boost::format(kTocPatternNotFound) % pattern).str());
    } else {
        AddLog((boost::format(kTocListMissing) % pattern).str());
    }
}

CWebPage* CBuildDriver::FindStartPage(const std::vector<CWebPage*>& pages) const {
    CWebPage* start = nullptr;
    const std::string url = m_doc.GetURL();
    for (CWebPage* page : pages) {
        if (page->GetURL() == url) start = page;
    }
    return start;
}

void CBuildDriver::BuildHelp(std::vector<CWebPage*>& pages) {
    CWebPage* start = FindStartPage(pages);
    m_nOutcome = kNoStartPage;
    if (start != nullptr) {
        const std::string folder = Folder();
        // Pages written before another page failed link to its file: they now link to the
        // wiki instead (the contents taken from the start page included).
        for (const std::string& error : RelinkFailedPages(folder, pages)) AddLog(error);
        std::string text = ReadPageLines(folder + start->GetLocalName());
        CTocWalk walk;
        std::unique_ptr<CHelpNode> root = ExtractToc(text, m_doc.GetTocPat(), &walk);
        WarnContents(text, root.get(), walk);
        root->SetName(m_doc.GetTitle());
        root->SetLocal(start->GetLocalName());

        CHelpCreator creator;
        creator.SetBaseName(m_doc.GetBaseName());
        creator.SetFolder(folder);
        creator.SetCompilerPath(m_strCompilerPath);
        creator.SetOpenResult(m_bOpenResult);
        creator.SetKeywordIndex(m_bKeywordIndex);
        creator.SetJapaneseSearch(m_bJapaneseSearch);
        creator.SetLog([this](const std::string& line) { AddLog(line); });
        creator.SetWaiting([this] { m_callback.WhileBusy(); });
        creator.SetCancel([this] {
            if (m_callback.IsAbortRequested()) m_bBuildAborted = true;
            return m_bBuildAborted;
        });
        creator.SetErrorReport(
            [](const std::string& text) { ShowMessageBox(text, "Error", MB_OK | MB_ICONERROR); });
        // The files in the order one worker finds them, whatever the number of workers
        // and the order in which they finished: the same site gives the same project.
        std::vector<std::string> files;
        files.reserve(pages.size());
        // Only what came back in this run: a file an earlier run left under the name of a
        // page that failed now is no part of the help file.
        for (CWebPage* page : SingleWorkerOrder(pages)) {
            if (page->IsSaved()) files.push_back(page->GetLocalName());
        }
        m_bBuilding = true;
        m_bBuildAborted = false;
        m_nOutcome = creator.Create(root.get(), files) ? kBuilt : kFailed;
        m_bBuilding = false;
        if (creator.WasCancelled()) {
            AddLog(kAbortedLog);
            m_nOutcome = kAborted;
        }
    }
    SetRunning(false);
}

}  // namespace corvane
