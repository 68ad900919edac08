#include "help/help_creator.h"

#include <sys/stat.h>

#include <algorithm>
#include <boost/format.hpp>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "help/builtin_compiler.h"
#include "help/help_project_file.h"
#include "help/japanese_search.h"
#include "help/search_tokenizer.h"
#include "platform/ascii.h"
#include "platform/atomic_file.h"
#include "platform/control_chars.h"
#include "platform/file_io.h"
#include "platform/folder_create.h"
#include "platform/markup_escape.h"
#include "platform/process_runner.h"
#include "platform/shell_open.h"
#include "platform/sjis.h"
#include "platform/sjis_text.h"
#include "platform/system_error.h"
#include "platform/text_codec.h"
#include "platform/work_beside.h"

namespace corvane {
namespace {

// The head of the contents (.hhc) and keyword (.hhk) files, as the Workshop writes it.
constexpr const char* kSitemapHead =
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\n"
    "<HTML>\n"
    "<HEAD>\n"
    "<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\">\n"
    "<!-- Sitemap 1.0 -->\n"
    "</HEAD><BODY>\n";

constinit CSjisText kFileLeftOut{"ファイルがないためヘルプに含めません [%s]"};
constinit CSjisText kCannotWrite{"ファイルを書き込めません [%s]"};
constinit CSjisText kCompiling{"ヘルプをコンパイルしています [%s]"};
constinit CSjisText kCompiled{"ヘルプファイルを作成しました [%s]"};
constinit CSjisText kCannotStart{
    "ヘルプコンパイラを起動できません\n"
    "[%s]\n"
    "%s"};
constinit CSjisText kCompileFailed{
    "ヘルプのコンパイルに失敗しました（終了コード %d）\n"
    "[%s]"};
constinit CSjisText kBuiltinName{"内蔵コンパイラ"};
constinit CSjisText kBuiltinDone{
    "%d ファイル (%.1f MB) から %.1f MB のヘルプファイルを作成しました"};
constinit CSjisText kCannotOpen{"ヘルプファイルを開けませんでした [%s]"};
constinit CSjisText kSearchMade{"日本語の全文検索を作成しました（%d ページ、%d 語）"};
constinit CSjisText kSearchUnavailable{"日本語の全文検索は使えません: %s"};
// The language name the compiler expects after the hexadecimal locale id.
constinit CSjisText kJapanese{"日本語"};

// The viewer's window, named by "Default Window=" and defined under [WINDOWS]. Without it
// the viewer opens a bare window with the contents tab alone: no search, no index.
constexpr const char* kWindowName = "main";
// The navigation pane's font: a font every Japanese Windows has, with the Shift_JIS
// character set (128), so that the pane does not depend on the reader's system locale.
constexpr const char* kDefaultFont = "MS UI Gothic,9,128";
// Window properties: tri-pane, contents synchronised with the page shown, the position the
// reader last gave the window kept; the search tab only when there is a search index.
constexpr unsigned kPropTriPane = 0x20;
constexpr unsigned kPropAutoSync = 0x100;
constexpr unsigned kPropSearchTab = 0x400;
constexpr unsigned kPropUserPosition = 0x40000;
// Tool bar: hide/show pane, back, forward, home, sync, options, print.
constexpr unsigned kToolBarButtons = 0x2 | 0x4 | 0x8 | 0x40 | 0x800 | 0x1000 | 0x2000;
constexpr int kNavigationWidth = 250;
// Left, top, right, bottom: 960 x 660, which fits the smallest common screen.
constexpr const char* kWindowPosition = "[50,50,1010,710]";

// The entry of one node and, below it, of its children; depth 0 is the root.
void AppendEntry(std::string& text, CHelpNode* node, int depth) {
    const std::string tabs(depth + 1, '\t');
    text += tabs + "<LI> <OBJECT type=\"text/sitemap\">\n";
    // Names are link texts of the start page (markup already) or the project's title: a "\""
    // in either must not end the value.
    text += tabs + "\t<param name=\"Name\" value=\"" +
            EscapeMarkupKeepingReferences(node->GetName()) + "\">\n";
    text += tabs + "\t<param name=\"Local\" value=\"" +
            EscapeMarkupKeepingReferences(node->GetLocal()) + "\">\n";
    text += tabs + "\t</OBJECT>\n";
    std::vector<CHelpNode*>* children = node->GetChildren();
    if (children == nullptr || children->empty()) return;
    text += tabs + "\t<UL>\n";
    for (CHelpNode* child : *children) AppendEntry(text, child, depth + 1);
    text += tabs + "\t</UL>\n";
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// A caption or file name inside the double quotes of the window definition, which has no
// escape: a double quote would end the value early, a line break the definition.
std::string QuotedValue(const std::string& text) {
    std::string value;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsSjisLeadByte(c) && i + 1 < text.size()) {
            // A trail byte may be '"' or another ASCII value: the pair stays whole.
            value.append(text, i++, 2);
        } else if (c == '"') {
            value += '\'';
        } else {
            value += c < 0x20 ? ' ' : text[i];
        }
    }
    return "\"" + value + "\"";
}

// A value of the project file stays on its line: a line break in it would start a line of
// the file's own (a "[FILES]" section naming any file on the machine).
std::string ProjectValue(const std::string& value) {
    std::string out = value;
    for (char& c : out) {
        if (IsControlByte(c)) c = ' ';
    }
    return out;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The project text with its "Compiled file=" line naming `helpFile`.
std::string WithCompiledFile(const std::string& project, const std::string& helpFile) {
    static constexpr std::string_view kKey = "Compiled file=";
    std::string text;
    size_t start = 0;
    while (start < project.size()) {
        size_t end = project.find('\n', start);
        end = end == std::string::npos ? project.size() : end + 1;
        std::string_view line(project.data() + start, end - start);
        if (line.substr(0, kKey.size()) == kKey) {
            text.append(kKey);
            text += helpFile;
            text += line.back() == '\n' ? "\r\n" : "";
        } else {
            text.append(line);
        }
        start = end;
    }
    return text;
}

// "ファイルを書き込めません [path]: reason"
std::string CannotWriteText(const std::string& path, int code) {
    std::string text = (boost::format(kCannotWrite) % path).str();
    const std::string reason = WriteErrorText(code);
    if (!reason.empty()) text += ": " + reason;
    return text;
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

void CHelpCreator::SetFolder(const std::string& folder) {
    m_strFolder = WithTrailingSeparator(folder);
}

bool CHelpCreator::IsWorkshopCompiler(const std::string& compilerPath) {
    size_t slash = compilerPath.find_last_of("/\\");
    const std::string name =
        ToLowerAscii(compilerPath.substr(slash == std::string::npos ? 0 : slash + 1));
    return name == "hhc.exe" || name == "hhc";
}

void CHelpCreator::Log(const std::string& line) const {
    if (m_fnLog) m_fnLog(line);
}

void CHelpCreator::ReportError(const std::string& text) const {
    if (m_fnError) m_fnError(text);
}

bool CHelpCreator::PrepareFolder() const {
    // An empty folder would put the help project into the file-system root.
    if (m_strBaseName.empty() || m_strFolder.empty()) return false;
    return FolderExists(m_strFolder) || CreateFolderChain(m_strFolder);
}

bool CHelpCreator::WriteTextFile(const std::string& name, const std::string& text) const {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    const std::string path = m_strFolder + name;
    // Replaced whole or not at all, and never through a symbolic link planted in its place.
    if (!WriteFileAtomically(ToNativePath(path), bytes)) {
        // The system's reason once, after the path.
        Log(CannotWriteText(path, errno));
        return false;
    }
    return true;
}

bool CHelpCreator::Create(CHelpNode* root, const std::vector<std::string>& files) {
    return WriteContentsFile(root) && WriteProjectFile(root, files) && Compile() == 1;
}

bool CHelpCreator::WriteContentsFile(CHelpNode* root) {
    if (root == nullptr || !PrepareFolder()) return false;
    std::string text = std::string(kSitemapHead) +
                       "<OBJECT type=\"text/site properties\">\n"
                       "<param name=\"ImageType\" value=\"Folder\">\n"
                       "</OBJECT>\n"
                       "<UL>\n";
    AppendEntry(text, root, 0);
    text += "</UL>\n</BODY></HTML>\n";
    return WriteTextFile(GetContentsFileName(), text);
}

bool CHelpCreator::WriteProjectFile(CHelpNode* root, const std::vector<std::string>& files) {
    if (root == nullptr || !PrepareFolder()) return false;
    std::string text = "[OPTIONS]\nCompatibility=1.1 or later\n";
    // chmcmd's binary index would turn every Shift_JIS keyword into "?".
    if (m_bKeywordIndex) text += "Binary Index=No\n";
    text += "Compiled file=" + NameForCompiler(GetCompiledFileName()) + "\n";
    text += "Contents file=" + NameForCompiler(GetContentsFileName()) + "\n";
    // The options in the Workshop's own order (by name), among the lines above and below.
    text += std::string("Default Font=") + kDefaultFont + "\n";
    text += std::string("Default Window=") + kWindowName + "\n";
    text += "Default topic=" + ProjectValue(root->GetLocal()) + "\n";
    text += "Display compile progress=No\n";
    text += std::string("Full-text search=") + (m_bFullTextSearch ? "Yes" : "No") + "\n";
    if (m_bKeywordIndex) text += "Index file=" + NameForCompiler(GetIndexFileName()) + "\n";
    text += std::string("Language=0x411 ") + kJapanese.str() + "\n";
    text += "Title=" + ProjectValue(root->GetName()) + "\n";
    text += "\n[WINDOWS]\n" + WindowDefinition(root) + "\n";
    text += "\n[FILES]\n";
    // A listed file that is missing makes the compiler fail (chmcmd even truncates the
    // previous help file), so only files that lie in the folder are listed.
    // chmcmd opens each name with its bytes as they stand; a name beyond ASCII must lie in
    // the folder under those very bytes.
    // The built-in compiler opens each name as the file system spells it.
    const bool rawNames =
        !IsWorkshopCompiler(m_strCompilerPath) && !IsBuiltinCompiler(m_strCompilerPath);
    std::set<std::string> listed;
    m_listedFiles.clear();
    for (const std::string& name : files) {
        std::error_code ec;
        const std::filesystem::path path =
            rawNames ? ToNativePath(m_strFolder) / std::filesystem::path(name)
                     : ToNativePath(m_strFolder + name);
        if (!IsLocalFileName(name) || HasControlCharacter(name) ||
            !std::filesystem::is_regular_file(path, ec)) {
            Log((boost::format(kFileLeftOut) % ShowControlCharacters(name)).str());
            continue;
        }
        if (!listed.insert(name).second) continue;
        m_listedFiles.push_back(name);
        text += name + "\n";
    }
    text += "\n[INFOTYPES]\n";
    if (m_bKeywordIndex && !WriteIndexFile(m_listedFiles)) return false;
    return WriteTextFile(GetProjectFileName(), text);
}

std::string CHelpCreator::NameForCompiler(const std::string& name) const {
    // chmcmd opens a name with its bytes as they stand, and the file lies under the name the
    // file system gave it; hhc.exe and the built-in compiler read the project in the
    // system's code page.
    return IsWorkshopCompiler(m_strCompilerPath) || IsBuiltinCompiler(m_strCompilerPath)
               ? name
               : ToNativePath(name).string();
}

std::string CHelpCreator::WindowDefinition(CHelpNode* root) const {
    unsigned properties = kPropTriPane | kPropAutoSync | kPropUserPosition;
    if (m_bFullTextSearch) properties |= kPropSearchTab;
    // The index tab comes with the index file; the contents tab with the contents file.
    const std::string index = m_bKeywordIndex ? NameForCompiler(GetIndexFileName()) : "";
    // Name, caption, contents, index, default page, home page, two unused jump buttons (file
    // and text each), properties, pane width, buttons, position; window styles, extended
    // styles, show state, pane closed, first tab and tab position stay the viewer's
    // defaults (the pane open, the contents tab first); no notify id.
    return (boost::format("%s=%s,%s,%s,%s,%s,,,,,0x%X,%d,0x%X,%s,,,,,,,0") % kWindowName %
            QuotedValue(root->GetName()) % QuotedValue(NameForCompiler(GetContentsFileName())) %
            QuotedValue(index) % QuotedValue(root->GetLocal()) % QuotedValue(root->GetLocal()) %
            properties % kNavigationWidth % kToolBarButtons % kWindowPosition)
        .str();
}

bool CHelpCreator::WriteIndexFile(const std::vector<std::string>& files) {
    // Every page under its title (its file name when it has none), sorted by that name.
    std::vector<std::pair<std::string, std::string>> keywords;
    for (const std::string& name : files) {
        if (!IsHelpPageName(name)) continue;
        std::string html;
        std::ifstream in(ToNativePath(m_strFolder + name), std::ios::binary);
        html.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::string title = TokenizeHelpPage(html).strTitle;
        if (title.empty()) title = name;
        keywords.emplace_back(EscapeMarkup(title), EscapeMarkup(name));
    }
    std::sort(keywords.begin(), keywords.end());
    std::string text = std::string(kSitemapHead) + "<UL>\n";
    for (const auto& [name, local] : keywords) {
        text += "\t<LI> <OBJECT type=\"text/sitemap\">\n";
        text += "\t\t<param name=\"Name\" value=\"" + name + "\">\n";
        text += "\t\t<param name=\"Local\" value=\"" + local + "\">\n";
        text += "\t\t</OBJECT>\n";
    }
    text += "</UL>\n</BODY></HTML>\n";
    return WriteTextFile(GetIndexFileName(), text);
}

int CHelpCreator::CompileBuiltin() {
    const std::string helpPath = m_strFolder + GetCompiledFileName();
    Log((boost::format(kCompiling) % kBuiltinName.str()).str());
    CBuiltinCompiler compiler;
    compiler.SetLog(m_fnLog);
    compiler.SetWaiting(m_fnWaiting);
    compiler.SetCancel(m_fnCancel);
    std::string error;
    if (!compiler.Compile(m_strFolder, GetProjectFileName(), error)) {
        // A cancel keeps the old help file and says nothing more: the caller tells the user.
        if (compiler.WasCancelled()) {
            m_bCancelled = true;
        } else {
            ReportError(error);
        }
        return 0;
    }
    const CBuiltinCompileStats& stats = compiler.GetStats();
    if (stats.nWords != 0) {
        Log((boost::format(kSearchMade.str()) % stats.nTopics % stats.nWords).str());
    }
    const double mb = 1024.0 * 1024.0;
    Log((boost::format(kBuiltinDone.str()) % stats.nFiles % (stats.nInputBytes / mb) %
         (stats.nOutputBytes / mb))
            .str());
    Log((boost::format(kCompiled) % helpPath).str());
    if (m_bOpenResult && !ShellOpen(helpPath)) Log((boost::format(kCannotOpen) % helpPath).str());
    return 1;
}

int CHelpCreator::Compile() {
    m_bCancelled = false;
    if (IsBuiltinCompiler(m_strCompilerPath)) return CompileBuiltin();
    const std::string projectPath = m_strFolder + GetProjectFileName();
    const std::string helpPath = m_strFolder + GetCompiledFileName();
    const bool workshop = IsWorkshopCompiler(m_strCompilerPath);

    // The compiler writes a help file of its own beside the old one, which stays until the
    // new one is complete (and indexed): an interrupted or failed compile loses nothing. It
    // reads a copy of the project file that names that file; the project file in the folder
    // keeps the help file's real name.
    CAtomicFile help(ToNativePath(helpPath));
    std::string project;
    if (!help.Open() || !ReadWholeFile(projectPath, project)) {
        ReportError(CannotWriteText(help.ErrorCode() != 0 ? helpPath : projectPath,
                                    help.ErrorCode() != 0 ? help.ErrorCode() : errno));
        return 0;
    }
    const std::string temporaryHelp = FromNativePath(help.TemporaryPath().filename());
    CAtomicFile compiledProject(ToNativePath(projectPath), ".hhp");
    const std::string text = WithCompiledFile(project, NameForCompiler(temporaryHelp));
    if (!compiledProject.Open() || !compiledProject.Write(text.data(), text.size())) {
        ReportError(CannotWriteText(projectPath, compiledProject.ErrorCode()));
        return 0;
    }
    const std::string compiledProjectName =
        FromNativePath(compiledProject.TemporaryPath().filename());

    CProcessRun run;
    // The compiler runs in the output folder: a relative path must not move with it.
    std::string compiler = m_strCompilerPath;
    if (compiler.find('/') != std::string::npos && compiler[0] != '/') {
        std::error_code ec;
        auto absolute = std::filesystem::absolute(ToNativePath(compiler), ec);
        if (!ec) compiler = FromNativePath(absolute);
    }
    run.args.push_back(compiler);
    if (workshop) {
        run.args.push_back(m_strFolder + compiledProjectName);
    } else {
        // chmcmd writes a relative "Compiled file" into its current folder, and without
        // this option it warns about every link it cannot find on disk.
        run.args.push_back("--no-html-scan");
        run.args.push_back(compiledProjectName);
    }
    run.strWorkingDir = m_strFolder;
    run.bCaptureOutput = true;
    run.fnWaiting = m_fnWaiting;
    run.fnCancel = m_fnCancel;

    Log((boost::format(kCompiling) % m_strCompilerPath).str());
    if (RunProgram(run) != 1) {
        std::string reason = GetErrorText(run.nStartError);
        ReportError((boost::format(kCannotStart) % m_strCompilerPath % reason).str());
        return 0;
    }
    if (run.bCancelled || IsCancelled()) {
        // The old help file stays; the compiler's half-written one goes with `help`.
        m_bCancelled = true;
        return 0;
    }

    // The compiler's diagnostics go to the log; all of its lines but the banner also go
    // into the failure message, so that it says what the compiler said. It knows the
    // project and the help file by their temporary names; the user by their real ones.
    std::vector<std::string> said;
    for (const std::string& raw : SplitLines(run.strOutput)) {
        std::string line = Utf8ToSjis(raw);
        if (line.empty() || StartsWith(line, "chmcmd, ") || StartsWith(line, "  $")) continue;
        ReplaceAll(line, compiledProjectName, GetProjectFileName());
        ReplaceAll(line, temporaryHelp, GetCompiledFileName());
        if (StartsWith(line, "Error") || StartsWith(line, "Warning") || workshop) Log(line);
        said.push_back(line);
    }

    bool compiled;
    if (workshop) {
        compiled = run.nExitCode != 0;
    } else {
        // chmcmd's exit code alone proves nothing: a missing project exits 0. The help
        // file it was to write (empty until then) must have something in it.
        struct stat st {};
        compiled = run.nExitCode == 0 && ::stat(help.TemporaryPath().c_str(), &st) == 0 &&
                   S_ISREG(st.st_mode) && st.st_size > 0;
    }
    if (!compiled) {
        std::string text = (boost::format(kCompileFailed) % run.nExitCode % helpPath).str();
        const size_t kMaxLines = 12;
        for (size_t i = 0; i < said.size() && i < kMaxLines; ++i) text += "\n" + said[i];
        ReportError(text);
        return 0;
    }
    // chmcmd indexes ASCII words only, and wrongly beside Japanese text; hhc.exe needs no help.
    // It reads every page again (seconds on a big site): on a thread of its own, so that the
    // window keeps painting and an abort ends it.
    if (!workshop && m_bJapaneseSearch && m_bFullTextSearch) {
        CJapaneseSearchResult search;
        std::atomic<bool> stop{false};
        RunBesideWaiting(
            [&] {
                search = RebuildJapaneseSearch(FromNativePath(help.TemporaryPath()), m_listedFiles,
                                               &stop);
            },
            m_fnWaiting, [this] { return IsCancelled(); }, stop);
        if (search.bStopped) {
            m_bCancelled = true;
            return 0;
        }
        if (search.bReplaced) {
            Log((boost::format(kSearchMade.str()) % search.nPages % search.nWords).str());
        } else {
            Log((boost::format(kSearchUnavailable.str()) % search.strReason).str());
        }
    }
    if (IsCancelled()) {
        m_bCancelled = true;
        return 0;
    }
    if (!help.Commit()) {
        ReportError(CannotWriteText(helpPath, help.ErrorCode()));
        return 0;
    }
    Log((boost::format(kCompiled) % helpPath).str());
    // Opening is a convenience: a desktop without an opener still has its help file.
    if (m_bOpenResult && !ShellOpen(helpPath, m_fnWaiting))
        Log((boost::format(kCannotOpen) % helpPath).str());
    return 1;
}

bool CHelpCreator::IsCancelled() const { return m_fnCancel && m_fnCancel(); }

}  // namespace corvane
