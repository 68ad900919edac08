// CCorvaneDoc: the project document. It owns the thirteen project settings, reads and writes
// the project file (Shift_JIS XML), keeps the modified flag with its " *" title marker, and
// scrambles the stored password.
#pragma once

#include "platform/sjis_text.h"

#include <string>
#include <vector>

namespace corvane {

// What the document needs of a view attached to it.
class CDocViewCallback {
public:
    virtual ~CDocViewCallback() = default;
    // Only visible views are asked to commit.
    virtual bool IsViewVisible() const = 0;
    // Moves the values in the view's controls into the document; false refuses the save.
    virtual bool CommitViews() = 0;
    // The document's title (or modified marker) changed: the frame caption follows.
    virtual void OnDocTitleChanged() {}
};

class CCorvaneDoc {
public:
    // The document name of an untitled project, also its window title.
    static constexpr const char* kDocName = "Corvane";
    // The file type: "Corvaneデータファイル(*.xml)" (Corvane data file) and its extension.
    static inline constinit CSjisText kFilterName{"Corvaneデータファイル(*.xml)"};
    static constexpr const char* kFilterExt = ".xml";
    static constexpr const char* kFileTypeId = "Corvane.Document";
    // The fixed key of the password scrambling.
    static constexpr const char* PasswordKey = "bramblecot";

    CCorvaneDoc();

    // The views; not owned.
    void AddView(CDocViewCallback* view);
    void RemoveView(CDocViewCallback* view);

    // New project: every setting to its default, no path name, title "Corvane", unmodified.
    void ResetToDefaults();

    // Reads a project file. On failure nothing changes and false is returned; a file that
    // cannot be opened is reported in a message box. On success the path name and title
    // follow the file and the document is unmodified.
    bool LoadFromFile(const std::string& path);

    // Commits the visible views, then writes the project file: the new contents replace the
    // old file only once completely written. On success the path name and title follow the
    // file and the document is unmodified; a failed write is reported in a message box and
    // leaves the document modified.
    bool SaveToFile(const std::string& path);

    // Asks every visible view to commit its controls; false when one refuses.
    bool CommitViews();

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true);

    const std::string& GetPathName() const { return m_strPathName; }
    // The window title, with " *" while the document is modified.
    const std::string& GetDocTitle() const { return m_strDocTitle; }
    void SetDocTitle(const std::string& title);

    // The file name offered by Save As for an untitled project: the title cut before its first
    // blank, colon, slash or backslash, followed by ".xml".
    std::string GetDefaultSaveAsName() const;

    // Plain password <-> its stored text (ASCII letters and digits, "+" and "%XX" escapes).
    static std::string ScramblePassword(const std::string& plain);
    static std::string UnscramblePassword(const std::string& stored);

    // The settings, in file order.
    std::string GetFolder() const { return m_strFolder; }
    void SetFolder(const std::string& value) { m_strFolder = value; }
    std::string GetBaseName() const { return m_strBaseName; }
    void SetBaseName(const std::string& value) { m_strBaseName = value; }
    std::string GetURL() const { return m_strURL; }
    void SetURL(const std::string& value) { m_strURL = value; }
    int GetUseAuth() const { return m_bUseAuth; }
    void SetUseAuth(int value) { m_bUseAuth = value; }
    std::string GetUser() const { return m_strUser; }
    void SetUser(const std::string& value) { m_strUser = value; }
    // The stored (scrambled) text, never the plain password.
    std::string GetPassword() const { return m_strPassword; }
    void SetPassword(const std::string& value) { m_strPassword = value; }
    int GetLevel() const { return m_nLevel; }
    void SetLevel(int value) { m_nLevel = value; }
    std::string GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string& value) { m_strTitle = value; }
    std::string GetTocPat() const { return m_strTocPat; }
    void SetTocPat(const std::string& value) { m_strTocPat = value; }
    std::string GetFooter() const { return m_strFooter; }
    void SetFooter(const std::string& value) { m_strFooter = value; }
    int GetConvWikiName() const { return m_bConvWikiName; }
    void SetConvWikiName(int value) { m_bConvWikiName = value; }
    std::string GetWikiNameSearch() const { return m_strWikiNameSearch; }
    void SetWikiNameSearch(const std::string& value) { m_strWikiNameSearch = value; }
    std::string GetWikiNameReplace() const { return m_strWikiNameReplace; }
    void SetWikiNameReplace(const std::string& value) { m_strWikiNameReplace = value; }
    // 1: HTTPS certificates are not checked for the host name and dates (an intranet wiki
    // whose certificate names another host or has expired); the chain still is.
    int GetInsecureTls() const { return m_bInsecureTls; }
    void SetInsecureTls(int value) { m_bInsecureTls = value; }

private:
    void SetPathName(const std::string& path);
    void NotifyTitleChanged();

    std::string m_strFolder;
    std::string m_strBaseName;
    std::string m_strURL;
    int m_bUseAuth;
    std::string m_strUser;
    std::string m_strPassword;
    int m_nLevel;
    std::string m_strTitle;
    std::string m_strTocPat;
    std::string m_strFooter;
    int m_bConvWikiName;
    std::string m_strWikiNameSearch;
    std::string m_strWikiNameReplace;
    int m_bInsecureTls = 0;

    std::string m_strPathName;
    std::string m_strDocTitle;
    bool m_bModified;
    std::vector<CDocViewCallback*> m_views;
};

}  // namespace corvane
