#include "convert/content_kind.h"

#include <cctype>

#include "net/url_primitives.h"
#include "platform/ascii.h"
#include "text/reg_manager.h"

namespace corvane {
namespace {

// Whether the content opens with a tag: blanks, then "<", then a letter followed by a
// letter or a blank.
bool LooksLikeMarkup(const std::string& content) {
    bool sawOpen = false;
    for (std::size_t i = 0; i + 1 < content.size(); ++i) {
        const char c = content[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            continue;
        }
        if (c == '<' && !sawOpen) {
            sawOpen = true;
            continue;
        }
        return sawOpen && IsAsciiAlpha(c) &&
               (IsAsciiAlpha(content[i + 1]) || content[i + 1] == ' ');
    }
    return false;
}

}  // namespace

std::string PathExtension(const std::string& path) {
    std::size_t dot = std::string::npos;
    for (std::size_t i = 0; i < path.size(); i += SjisCharLength(path, i)) {
        const char c = path[i];
        if (c == '/' || c == '\\' || c == ':') {
            dot = std::string::npos;
        } else if (c == '.') {
            dot = i;
        } else if (c == ' ') {
            dot = std::string::npos;
        }
    }
    return dot == std::string::npos ? std::string() : path.substr(dot);
}

ContentKind ClassifyContent(const std::string& path, const std::string& headers,
                            const std::string& content, int kind) {
    if (!path.empty() && path.back() == '/') {
        return ContentKind::Html;
    }
    const std::string ext = ToLowerAscii(PathExtension(path));
    if (ext == ".html" || ext == ".htm") {
        return ContentKind::Html;
    }
    if (ext == ".css") {
        return ContentKind::StyleSheet;
    }
    if (ext == ".gif" || ext == ".jpg" || ext == ".jpeg" || ext == ".png") {
        return ContentKind::Other;
    }
    CRegManager reg;
    if (reg.Search(headers, "content-type:([^\\r\\n]*)", "i") > 0) {
        std::string type = reg.GetGroup(1);
        const std::size_t first = type.find_first_not_of(" \t");
        type = first == std::string::npos ? std::string() : ToLowerAscii(type.substr(first));
        if (type.rfind("text/html", 0) == 0) {
            return ContentKind::Html;
        }
    }
    if (LooksLikeMarkup(content)) {
        return ContentKind::Html;
    }
    return kind == 7 ? ContentKind::Html : ContentKind::Other;
}

}  // namespace corvane
