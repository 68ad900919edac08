#include "convert/content_kind.h"

#include <cctype>

#include "net/url_primitives.h"
#include "platform/ascii.h"
#include "text/reg_manager.h"

namespace corvane {
namespace {

// Whether the content opens with a tag: blanks, then "<", then a letter followed by a
// letter or a blank.
bool LooksLikeMarkup(std::string_view content) {
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

namespace {

// The Content-Type's value in lower case without leading blanks; empty when there is none.
std::string ContentTypeOf(const std::string& headers) {
    CRegManager reg;
    if (reg.Search(headers, "content-type:([^\\r\\n]*)", "i") < 1) return {};
    std::string type = reg.GetGroup(1);
    const std::size_t first = type.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : ToLowerAscii(type.substr(first));
}

}  // namespace

bool IsSavedAsIs(const std::string& path, const std::string& headers) {
    const std::string ext = ToLowerAscii(PathExtension(path));
    if (ext == ".html" || ext == ".htm") return false;
    if (ext == ".css" || ext == ".gif" || ext == ".jpg" || ext == ".jpeg" || ext == ".png") {
        return true;
    }
    const std::string type = ContentTypeOf(headers);
    return !type.empty() && type.rfind("text/html", 0) != 0 &&
           type.rfind("application/xhtml+xml", 0) != 0;
}

ContentKind ClassifyContent(const std::string& path, const std::string& headers,
                            std::string_view content, int kind) {
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
    if (ContentTypeOf(headers).rfind("text/html", 0) == 0) {
        return ContentKind::Html;
    }
    if (LooksLikeMarkup(content)) {
        return ContentKind::Html;
    }
    return kind == 7 ? ContentKind::Html : ContentKind::Other;
}

TextEncoding DeclaredCharset(const std::string& headers) {
    CRegManager reg;
    if (reg.Search(headers, "content-type:[^\\r\\n]*?charset=\"?([-_A-Za-z0-9]+)", "i") < 1) {
        return kEncodingUndetermined;
    }
    const std::string charset = ToLowerAscii(reg.GetGroup(1));
    if (charset == "utf-8" || charset == "utf8") return kEncodingUtf8;
    if (charset == "euc-jp" || charset == "x-euc-jp" || charset == "eucjp") return kEncodingEucJp;
    if (charset == "shift_jis" || charset == "shift-jis" || charset == "sjis" ||
        charset == "x-sjis" || charset == "windows-31j" || charset == "cp932") {
        return kEncodingShiftJis;
    }
    if (charset == "iso-2022-jp") return kEncodingIso2022Jp;
    return kEncodingUndetermined;
}

}  // namespace corvane
