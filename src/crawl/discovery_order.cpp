#include "crawl/discovery_order.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace corvane {

std::vector<CWebPage*> SingleWorkerOrder(const std::vector<CWebPage*>& pages) {
    std::unordered_map<std::string, CWebPage*> byUrl;
    std::unordered_map<std::string, CWebPage*> byFile;
    for (CWebPage* page : pages) {
        byUrl.emplace(page->URL(), page);
        if (!page->GetLocalName().empty()) byFile.emplace(page->GetLocalName(), page);
    }

    std::vector<CWebPage*> order;
    order.reserve(pages.size());
    std::unordered_set<const CWebPage*> placed;
    std::unordered_set<std::string> urls;
    std::unordered_set<std::string> files;
    auto place = [&](CWebPage* page) {
        if (!placed.insert(page).second) return;
        order.push_back(page);
        urls.insert(page->URL());
    };
    for (CWebPage* page : pages) {
        if (page->GetLevel() == 0) place(page);
    }
    for (std::size_t next = 0; next < order.size(); ++next) {
        CWebPage* page = order[next];
        // A start page takes its file before it finds any link.
        if (page->GetLevel() == 0 && !page->GetLocalName().empty()) {
            files.insert(page->GetLocalName());
        }
        for (const CWebPage::CFoundLink& link : page->GetFoundLinks()) {
            if (!link.m_strLocalName.empty() && !files.insert(link.m_strLocalName).second) continue;
            if (urls.count(link.m_strUrl) != 0) continue;
            // With several workers another URL of the same file may have won that file.
            auto found = byUrl.find(link.m_strUrl);
            CWebPage* target = found != byUrl.end() ? found->second : nullptr;
            if (target == nullptr && !link.m_strLocalName.empty()) {
                auto sameFile = byFile.find(link.m_strLocalName);
                if (sameFile != byFile.end()) target = sameFile->second;
            }
            urls.insert(link.m_strUrl);
            if (target != nullptr) place(target);
        }
    }
    for (CWebPage* page : pages) place(page);
    return order;
}

}  // namespace corvane
