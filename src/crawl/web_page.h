// One page or file of the crawled site: the unit of work of the crawl.
#pragma once

#include <string>
#include <vector>

#include "convert/link_record.h"
#include "platform/composite.h"

namespace corvane {

class CWebPage : public CComposite<CWebPage> {
public:
    explicit CWebPage(std::string url) : m_strURL(std::move(url)) {}
    // A page made from a link: the link's fragment (from the last '#') is no part of the
    // page's address, so links that differ only there name one page.
    static CWebPage* FromLink(const std::string& linkUrl);

    std::vector<CWebPage*>* GetChildren() override { return &m_children; }
    ~CWebPage() override;

    std::string GetURL() const { return m_strURL; }
    const std::string& URL() const { return m_strURL; }
    std::string GetLocalName() const { return m_strLocalName; }
    // Kept for the interface: a page no longer carries credentials (the build driver hands
    // the run's to the workers).
    int GetUseAuth() const { return m_bUseAuth; }
    std::string GetUser() const { return m_strUser; }
    std::string GetPassword() const { return m_strPassword; }
    int GetLevel() const { return m_nLevel; }
    LinkKind GetKind() const { return m_kind; }

    void SetLocalName(const std::string& name) { m_strLocalName = name; }
    void SetUseAuth(int useAuth) { m_bUseAuth = useAuth; }
    void SetUser(const std::string& user) { m_strUser = user; }
    void SetPassword(const std::string& password) { m_strPassword = password; }
    void SetLevel(int level) { m_nLevel = level; }
    void SetKind(LinkKind kind) { m_kind = kind; }
    // The page's file was written in this run (a 2xx answer that reached the disk); only
    // such files go into the help file, whatever an earlier run left in the folder.
    bool IsSaved() const { return m_bSaved; }
    // The file is a converted help page (its links may be rewritten after the crawl).
    bool IsConverted() const { return m_bConverted; }
    void SetSaved(bool saved, bool converted) {
        m_bSaved = saved;
        m_bConverted = saved && converted;
    }

    // A link of this page that the crawl was given to follow, in the order the page holds
    // them, whether it became a new page or an earlier page had it already: the page's URL
    // and the file it names. The pages' links decide the order in which one worker alone
    // would have found the pages (see SingleWorkerOrder).
    struct CFoundLink {
        std::string m_strUrl;
        std::string m_strLocalName;
    };
    void AddFoundLink(std::string url, std::string localName) {
        m_foundLinks.push_back({std::move(url), std::move(localName)});
    }
    const std::vector<CFoundLink>& GetFoundLinks() const { return m_foundLinks; }

private:
    std::vector<CWebPage*> m_children;
    std::string m_strURL;
    std::string m_strLocalName;
    int m_bUseAuth = 0;
    std::string m_strUser;
    std::string m_strPassword;
    int m_nLevel = 0;
    LinkKind m_kind = LinkKind::None;
    bool m_bSaved = false;
    bool m_bConverted = false;
    std::vector<CFoundLink> m_foundLinks;
};

}  // namespace corvane
