#include "crawl/build_driver.h"

#include <boost/format.hpp>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "convert/content_kind.h"
#include "convert/cvn_filter.h"
#include "convert/wiki_url.h"
#include "crawl/downloader_config.h"
#include "crawl/downloader_thread.h"
#include "help/help_creator.h"
#include "help/toc_extractor.h"
#include "platform/exclusive_open.h"
#include "platform/folder_create.h"
#include "platform/message_box.h"
#include "platform/sjis_text.h"
#include "platform/text_codec.h"
#include "project/corvane_doc.h"
#include "project/options.h"

namespace corvane {
namespace {

constexpr const char* kCaption = "Corvane";
constinit CSjisText kStarted{"ダウンロードを開始しました。"};
constinit CSjisText kPageFinished{"ダウンロード終了 [%s] %s"};
constinit CSjisText kCheckFinished{"チェック終了 %d"};
constinit CSjisText kAbortedLog{"中断しました"};
constinit CSjisText kNoCompiler{
    "HTML Help Workshopが指定されたパスに見つかりません\n"
    "[%s]"};
constinit CSjisText kCreateFolder{
    "出力フォルダを作成しますか？\n"
    "[%s]"};
constinit CSjisText kFolderFailed{"出力フォルダの作成に失敗しました"};
constinit CSjisText kNoBaseName{"ファイル名を入力してください\n"};
constinit CSjisText kChmInUse{
    "CHMファイルがオープンできません\n"
    "[%s]"};
constinit CSjisText kNoUrl{"URLを入力してください\n"};

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

CBuildDriver::CBuildDriver(CCorvaneDoc& doc, CBuildDriverCallback& callback)
    : m_doc(doc),
      m_callback(callback),
      m_pDownloader(std::make_unique<CDownloader>()),
      m_strCompilerPath(GetOptions().m_strHHWPath),
      m_bKeywordIndex(GetOptions().m_bKeywordIndex != 0),
      m_bJapaneseSearch(GetOptions().m_bJapaneseSearch != 0) {}

CBuildDriver::~CBuildDriver() {
    // Destroying the engine stops a run still going (reason 1: nothing is built).
    m_pDownloader.reset();
}

std::string CBuildDriver::Folder() const {
    // What the project form does when it commits the folder; an empty folder stays empty.
    return WithTrailingSeparator(m_doc.GetFolder());
}

void CBuildDriver::SetRunning(int running) {
    if (m_bRunning == running) return;
    m_bRunning = running;
    m_callback.OnRunningChanged(running != 0);
}

void CBuildDriver::AddLog(const std::string& text) { m_callback.AppendLog(text); }

int CBuildDriver::ValidateProject() {
    if (!PathExists(m_strCompilerPath)) {
        ShowMessageBox((boost::format(kNoCompiler) % m_strCompilerPath).str(), kCaption,
                       MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    const std::string folder = Folder();
    if (folder.empty()) {
        // Never the file-system root: an empty folder cannot be created.
        ShowMessageBox(kFolderFailed, kCaption, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    if (!FolderExists(folder)) {
        if (ShowMessageBox((boost::format(kCreateFolder) % folder).str(), kCaption,
                           MB_YESNO | MB_ICONQUESTION) != IDYES) {
            return 0;
        }
        if (!CreateFolderChain(folder)) {
            ShowMessageBox(kFolderFailed, kCaption, MB_OK | MB_ICONEXCLAMATION);
            return 0;
        }
    }
    if (m_doc.GetBaseName().empty()) {
        ShowMessageBox(kNoBaseName, kCaption, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    const std::string helpFile = folder + m_doc.GetBaseName() + ".chm";
    if (PathExists(helpFile) && !CanOpenExclusively(helpFile)) {
        ShowMessageBox((boost::format(kChmInUse) % helpFile).str(), kCaption,
                       MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    if (m_doc.GetURL().empty()) {
        ShowMessageBox(kNoUrl, kCaption, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    return 1;
}

int CBuildDriver::OnCreateHelp() {
    if (m_bRunning) return 0;
    m_callback.CommitAndSave();
    if (!ValidateProject()) {
        m_nOutcome = kRefused;
        return 0;
    }
    m_pDownloader->RemoveAllListeners();
    m_pDownloader->AddListener(this);

    auto* config = new CDownloaderConfig();
    config->m_nThreadCount = m_nThreadCount;
    config->m_nInterval = m_nInterval;
    // The crawl starts from one page: further workers are useful only when they wait for
    // the pages that the first one finds.
    if (m_nThreadCount > 1) config->SetWaitForNewPages(1);
    config->SetFolder(Folder());
    config->SetLevel(m_doc.GetLevel());
    config->m_nMaxPageSize = GetOptions().m_nMaxPageSize;
    config->m_nMaxFileSize = GetOptions().m_nMaxFileSize;

    auto* prototype = new CDownloaderThread();
    std::string search, replace;
    if (m_doc.GetConvWikiName()) {
        search = m_doc.GetWikiNameSearch();
        replace = m_doc.GetWikiNameReplace();
    }
    prototype->SetFilter(new CCVNFilter(config, search, replace, m_doc.GetTitle(),
                                        m_doc.GetFooter(), GetBodyRulesPath(),
                                        GetReplaceRulesPath()));

    auto* start = new CWebPage(m_doc.GetURL());
    start->SetUseAuth(m_doc.GetUseAuth());
    start->SetUser(m_doc.GetUser());
    start->SetPassword(CCorvaneDoc::UnscramblePassword(m_doc.GetPassword()));
    start->SetLevel(0);

    m_nOutcome = kNotRun;
    std::vector<CWebPage*> pages{start};
    if (!m_pDownloader->Start(pages, prototype, config)) {
        // Not started: nothing was handed over.
        delete start;
        delete prototype;
        delete config;
        return 0;
    }
    SetRunning(1);
    return 1;
}

void CBuildDriver::OnAbortDownload() {
    if (!m_bRunning) return;
    m_bAborting = 1;
    m_pDownloader->Stop(0);
    m_bAborting = 0;
}

void CBuildDriver::OnStarted(std::vector<CWebPage*> pages) {
    m_bProgress = true;
    m_nProgressPosition = 0;
    m_nProgressUpper = static_cast<int>(pages.size());
    m_callback.CreateProgress(m_nProgressUpper);
    AddLog(kStarted);
}

void CBuildDriver::OnPageFinished(CWebPage* page, const CCheckResult& result) {
    std::string base, name;
    // The name is percent-encoded in the site's encoding, which the answer declares.
    SplitPageUrl(page->GetURL(), base, name, "", DeclaredCharset(result.m_strHeaders));
    AddLog((boost::format(kPageFinished) % name % page->GetURL()).str());
    if (!m_bProgress) return;
    m_nProgressUpper = result.m_nPageCount;
    ++m_nProgressPosition;
    m_callback.SetProgress(m_nProgressPosition, m_nProgressUpper);
}

void CBuildDriver::OnFinished(std::vector<CWebPage*> pages, int reason) {
    if (reason == 0) {
        if (m_bAborting) {
            AddLog(kAbortedLog);
            m_nOutcome = kAborted;
            SetRunning(0);
        } else {
            AddLog((boost::format(kCheckFinished) % static_cast<int>(pages.size())).str());
            BuildHelp(pages);
        }
    }
    if (m_bProgress) {
        m_callback.DestroyProgress();
        m_bProgress = false;
    }
    DeleteAll(pages);
    if (reason != 0) SetRunning(0);
}

void CBuildDriver::BuildHelp(std::vector<CWebPage*>& pages) {
    CWebPage* start = nullptr;
    const std::string url = m_doc.GetURL();
    for (CWebPage* page : pages) {
        if (page->GetURL() == url) start = page;
    }
    m_nOutcome = kNoStartPage;
    if (start != nullptr) {
        const std::string folder = Folder();
        std::string text = ReadPageLines(folder + start->GetLocalName());
        std::unique_ptr<CHelpNode> root = ExtractToc(text, m_doc.GetTocPat());
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
        creator.SetErrorReport(
            [](const std::string& text) { ShowMessageBox(text, "Error", MB_OK | MB_ICONERROR); });
        std::vector<std::string> files;
        files.reserve(pages.size());
        for (CWebPage* page : pages) files.push_back(page->GetLocalName());
        m_nOutcome = creator.Create(root.get(), files) ? kBuilt : kFailed;
    }
    SetRunning(0);
}

}  // namespace corvane
