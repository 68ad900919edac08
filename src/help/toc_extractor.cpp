#include "help/toc_extractor.h"

#include "platform/sjis.h"
#include "text/reg_manager.h"

namespace corvane {
namespace {

void TrimLineEnds(std::string& text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
}

// The first characters of `text` on one line, double-byte characters kept whole.
std::string Excerpt(const std::string& text) {
    constexpr std::size_t kLength = 60;
    std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) return std::string();
    std::string out;
    for (std::size_t i = start; i < text.size() && out.size() < kLength; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsSjisLeadByte(c) && i + 1 < text.size()) {
            out.append(text, i++, 2);
        } else if (c == '\r' || c == '\n' || c == '\t') {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::string WikiPartOfPage(const std::string& pageText) {
    // The page filter writes "<body>", a line end, and the heading on the next line.
    const std::size_t body = pageText.find("<body>");
    if (body == std::string::npos) return pageText;
    std::size_t heading = body + 6;
    if (pageText.compare(heading, 2, "\r\n") == 0) {
        heading += 2;
    } else if (pageText.compare(heading, 1, "\n") == 0) {
        heading += 1;
    } else {
        return pageText;
    }
    if (pageText.compare(heading, 4, "<h2>") != 0) return pageText;
    const std::size_t end = pageText.find("</h2>", heading);
    if (end == std::string::npos) return pageText;
    return pageText.substr(end + 5);
}

std::unique_ptr<CHelpNode> ExtractToc(const std::string& pageText, const std::string& startPattern,
                                      CTocWalk* walk) {
    CRegManager reg;
    std::string rest = WikiPartOfPage(pageText);
    if (reg.Search(rest, startPattern, "i") > 0) rest = reg.FormatMatch("$'");

    auto root = std::make_unique<CHelpNode>("root", "rootpath");
    CHelpNode* parent = root.get();
    CHelpNode* last = root.get();
    int open = 0;
    bool listSeen = false;
    CTocWalk result;
    for (;;) {
        // PukiWiki closes an item right before the next one or before a closing list.
        reg.ReplaceFormat(rest, "\\A\\s*</li>", "", "");
        if (reg.Search(rest, "\\A\\s*<ul class=\"list[^>]+>", "mi") > 0) {
            rest = reg.FormatMatch("$'");
            parent = last;
            ++open;
            listSeen = true;
        } else if (parent != nullptr &&
                   reg.Search(rest, "\\A\\s*<li><a[^>]*href=\"([^\">]+)\"[^>]*>(.*?)</a>", "mi") >
                       0) {
            std::string local = reg.GetGroup(1);
            std::string name = reg.GetGroup(2);
            rest = reg.FormatMatch("$'");
            TrimLineEnds(local);
            TrimLineEnds(name);
            auto* node = new CHelpNode(name, local);
            parent->AddChild(node);
            last = node;
            result.m_strLastEntry = name;
            // What follows the link inside its item (" -- a description", a date in a span)
            // up to the next item or list tag is no entry of its own.
            reg.ReplaceFormat(rest, "\\A(?:[^<]|<(?!/?(?:ul|li)\\b))*+", "", "i");
        } else if (parent != nullptr && reg.Search(rest, "\\A\\s*</ul>", "") > 0) {
            // Closing the outermost list leaves no parent: an item or a closing tag after
            // that (more lists closed than opened) ends the walk with what was read.
            rest = reg.FormatMatch("$'");
            last = parent;
            parent = parent->GetParent();
            --open;
        } else {
            break;
        }
    }
    if (walk != nullptr) {
        if (!listSeen) {
            result.m_nStop = CTocWalk::kNoList;
        } else if (open <= 0) {
            result.m_nStop = CTocWalk::kListClosed;
        } else if (rest.find_first_not_of(" \t\r\n") == std::string::npos) {
            result.m_nStop = CTocWalk::kPageEnded;
        } else if (reg.Search(rest, "\\A\\s*<li\\b", "i") > 0) {
            result.m_nStop = CTocWalk::kItemWithoutLink;
        } else {
            result.m_nStop = CTocWalk::kUnexpected;
        }
        if (result.m_nStop != CTocWalk::kListClosed && result.m_nStop != CTocWalk::kNoList) {
            result.m_strAt = Excerpt(rest);
        }
        *walk = std::move(result);
    }
    return root;
}

}  // namespace corvane
