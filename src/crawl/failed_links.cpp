#include "crawl/failed_links.h"

#include <set>

#include "crawl/output_file.h"
#include "platform/ascii.h"
#include "platform/file_io.h"

namespace corvane {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// The URL as an attribute value between double quotes.
std::string AttributeValue(const std::string& url) {
    std::string out;
    for (char c : url) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// The length of "href" or "src" at `at` when it starts an attribute name there, else 0.
std::size_t LinkAttributeAt(const std::string& html, std::size_t at) {
    if (at == 0 || !IsSpace(html[at - 1])) return 0;
    for (const std::string_view name : {std::string_view("href"), std::string_view("src")}) {
        if (StartsWithNoCaseAscii(std::string_view(html).substr(at), name)) return name.size();
    }
    return 0;
}

}  // namespace

std::map<std::string, std::string> FailedPageTargets(const std::vector<CWebPage*>& pages) {
    std::set<std::string> saved;
    for (const CWebPage* page : pages) {
        if (page->IsSaved()) saved.insert(page->GetLocalName());
    }
    std::map<std::string, std::string> targets;
    for (const CWebPage* page : pages) {
        const std::string name = page->GetLocalName();
        // A page that stands for itself (file:, about:) has its URL as its name.
        if (page->IsSaved() || name.empty() || name == page->GetURL() || saved.count(name)) {
            continue;
        }
        targets.emplace(name, page->GetURL());
    }
    return targets;
}

std::string RelinkReferences(const std::string& html,
                             const std::map<std::string, std::string>& targets) {
    std::string out;
    out.reserve(html.size());
    bool inTag = false;
    std::size_t i = 0;
    while (i < html.size()) {
        const char c = html[i];
        if (!inTag) {
            inTag = c == '<';
            out += c;
            ++i;
            continue;
        }
        if (c == '>') {
            inTag = false;
            out += c;
            ++i;
            continue;
        }
        if (c == '"' || c == '\'') {
            // A quoted value of an attribute that is no link: copied as it stands.
            const std::size_t end = html.find(c, i + 1);
            const std::size_t stop = end == std::string::npos ? html.size() : end + 1;
            out.append(html, i, stop - i);
            i = stop;
            continue;
        }
        const std::size_t nameLength = LinkAttributeAt(html, i);
        if (nameLength == 0) {
            out += c;
            ++i;
            continue;
        }
        std::size_t j = i + nameLength;
        while (j < html.size() && IsSpace(html[j])) ++j;
        if (j >= html.size() || html[j] != '=') {
            out.append(html, i, j - i);
            i = j;
            continue;
        }
        ++j;
        while (j < html.size() && IsSpace(html[j])) ++j;
        std::size_t valueStart = j, valueEnd = j, after = j;
        if (j < html.size() && (html[j] == '"' || html[j] == '\'')) {
            valueStart = j + 1;
            valueEnd = html.find(html[j], valueStart);
            if (valueEnd == std::string::npos) valueEnd = html.size();
            after = std::min(valueEnd + 1, html.size());
        } else {
            while (valueEnd < html.size() && !IsSpace(html[valueEnd]) && html[valueEnd] != '>') {
                ++valueEnd;
            }
            after = valueEnd;
        }
        const std::string value = html.substr(valueStart, valueEnd - valueStart);
        const std::size_t hash = value.find('#');
        const auto it = targets.find(value.substr(0, hash));
        if (it == targets.end()) {
            out.append(html, i, after - i);
        } else {
            out.append(html, i, nameLength);
            out += "=\"" + AttributeValue(it->second);
            if (hash != std::string::npos) out += AttributeValue(value.substr(hash));
            out += '"';
        }
        i = after;
    }
    return out;
}

std::vector<std::string> RelinkFailedPages(const std::string& folder,
                                           const std::vector<CWebPage*>& pages) {
    std::vector<std::string> errors;
    const std::map<std::string, std::string> targets = FailedPageTargets(pages);
    if (targets.empty()) return errors;
    for (const CWebPage* page : pages) {
        if (!page->IsConverted()) continue;
        std::string html;
        if (!ReadWholeFile(folder + page->GetLocalName(), html)) continue;
        const std::string relinked = RelinkReferences(html, targets);
        if (relinked == html) continue;
        std::string error;
        if (!WriteOutputFile(folder, page->GetLocalName(),
                             std::vector<char>(relinked.begin(), relinked.end()), &error)) {
            errors.push_back(error);
        }
    }
    return errors;
}

}  // namespace corvane
