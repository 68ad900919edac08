#include "help/toc_extractor.h"

#include "text/reg_manager.h"

namespace corvane {
namespace {

void TrimLineEnds(std::string& text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
}

}  // namespace

std::unique_ptr<CHelpNode> ExtractToc(const std::string& pageText,
                                      const std::string& startPattern) {
    CRegManager reg;
    std::string rest = pageText;
    if (reg.Search(rest, startPattern, "i") > 0) rest = reg.FormatMatch("$'");

    auto root = std::make_unique<CHelpNode>("root", "rootpath");
    CHelpNode* parent = root.get();
    CHelpNode* last = root.get();
    for (;;) {
        // PukiWiki closes an item right before the next one or before a closing list.
        reg.ReplaceFormat(rest, "\\A\\s*</li>", "", "");
        if (reg.Search(rest, "\\A\\s*<ul class=\"list[^>]+>", "mi") > 0) {
            rest = reg.FormatMatch("$'");
            parent = last;
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
        } else if (parent != nullptr && reg.Search(rest, "\\A\\s*</ul>", "") > 0) {
            // Closing the outermost list leaves no parent: an item or a closing tag after
            // that (more lists closed than opened) ends the walk with what was read.
            rest = reg.FormatMatch("$'");
            last = parent;
            parent = parent->GetParent();
        } else {
            break;
        }
    }
    return root;
}

}  // namespace corvane
