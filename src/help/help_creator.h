// Turns a finished crawl into a compiled help file: writes the contents file (.hhc), the
// keyword index (.hhk) when asked, and the project file (.hhp) into the output folder, runs
// the help compiler on them (the built-in one, or an outside program), and gives a help file
// made by chmcmd a Japanese search index.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "help/help_node.h"

namespace corvane {

class CHelpCreator {
public:
    using LogFunction = std::function<void(const std::string& line)>;

    CHelpCreator() = default;
    virtual ~CHelpCreator() = default;

    // Base name of the help file (no extension) and output folder (Shift_JIS texts). A
    // separator is appended to the folder when it lacks one.
    void SetBaseName(const std::string& baseName) { m_strBaseName = baseName; }
    void SetFolder(const std::string& folder);
    // The compiler program: chmcmd, or hhc.exe (told apart by the file name), or
    // kBuiltinCompiler for the compiler inside the program.
    void SetCompilerPath(const std::string& path) { m_strCompilerPath = path; }
    // Open the compiled file with the desktop's opener after a successful compile.
    void SetOpenResult(bool open) { m_bOpenResult = open; }
    // Rebuild chmcmd's full-text index so that Japanese words are found (on by default).
    void SetJapaneseSearch(bool on) { m_bJapaneseSearch = on; }
    // Write a keyword index of every page under its title and name it in the project file
    // (off by default: the project file then keeps its usual lines).
    void SetKeywordIndex(bool on) { m_bKeywordIndex = on; }
    // Have the compiler build a full-text search (on by default); the viewer's window then
    // shows the search tab.
    void SetFullTextSearch(bool on) { m_bFullTextSearch = on; }
    // Where progress and compiler output lines go, and where failures the user must see
    // are reported (the text of a message box captioned "Error").
    void SetLog(LogFunction log) { m_fnLog = std::move(log); }
    void SetErrorReport(LogFunction report) { m_fnError = std::move(report); }
    // Called now and then while the compiler runs and while chmcmd's help file gets its
    // Japanese index (see CProcessRun::fnWaiting).
    void SetWaiting(std::function<void()> waiting) { m_fnWaiting = std::move(waiting); }

    // Asked as often, and before the new help file is put in place: true ends the compiler or
    // the index and keeps the previous help file (Compile returns 0, WasCancelled true).
    void SetCancel(std::function<bool()> cancel) { m_fnCancel = std::move(cancel); }
    bool WasCancelled() const { return m_bCancelled; }

    std::string GetBaseName() const { return m_strBaseName; }
    std::string GetFolder() const { return m_strFolder; }
    std::string GetContentsFileName() const { return m_strBaseName + ".hhc"; }
    std::string GetProjectFileName() const { return m_strBaseName + ".hhp"; }
    std::string GetCompiledFileName() const { return m_strBaseName + ".chm"; }
    std::string GetIndexFileName() const { return m_strBaseName + ".hhk"; }

    // Writes the contents file, then the project file, then compiles; each step runs only
    // when the one before succeeded. `files` are the downloaded files' local names in the
    // order of the crawl.
    bool Create(CHelpNode* root, const std::vector<std::string>& files);
    bool WriteContentsFile(CHelpNode* root);
    bool WriteProjectFile(CHelpNode* root, const std::vector<std::string>& files);
    // The keyword index over the pages among `files` (names as listed in the project file).
    bool WriteIndexFile(const std::vector<std::string>& files);
    // 1 when the help file was compiled (and opened, when asked), 0 otherwise. The compiler
    // writes a temporary help file that replaces the old one only when the compile (and the
    // Japanese index) succeeded; a failure or a cancel leaves the old one as it was.
    int Compile();

    // True when `compilerPath` names the HTML Help Workshop compiler, which reports success
    // with a non-zero exit code.
    static bool IsWorkshopCompiler(const std::string& compilerPath);
    static bool IsBuiltinCompiler(const std::string& compilerPath) {
        return compilerPath == kBuiltinCompiler;
    }
    // The name that stands for the built-in compiler wherever a compiler path is asked for.
    static constexpr const char* kBuiltinCompiler = "builtin";

private:
    bool PrepareFolder() const;
    bool WriteTextFile(const std::string& name, const std::string& text) const;
    void Log(const std::string& line) const;
    void ReportError(const std::string& text) const;
    // A file name of the help project as the project file names it for the compiler.
    std::string NameForCompiler(const std::string& name) const;
    // The viewer's window: the line under [WINDOWS].
    std::string WindowDefinition(CHelpNode* root) const;
    int CompileBuiltin();
    bool IsCancelled() const;

    std::string m_strBaseName;
    std::string m_strFolder;
    std::string m_strCompilerPath;
    bool m_bOpenResult = false;
    bool m_bJapaneseSearch = true;
    bool m_bKeywordIndex = false;
    bool m_bFullTextSearch = true;
    std::vector<std::string> m_listedFiles;  // the [FILES] of the last project file written
    LogFunction m_fnLog;
    LogFunction m_fnError;
    std::function<void()> m_fnWaiting;
    std::function<bool()> m_fnCancel;
    bool m_bCancelled = false;
};

}  // namespace corvane
