#include "convert/content_kind.h"

#include <cctype>

#include "net/http_header.h"
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

// The Japanese encoding a charset name stands for; undetermined for any other name.
TextEncoding CharsetByName(std::string_view name) {
    const std::string charset = ToLowerAscii(name);
    if (charset == "utf-8" || charset == "utf8") return kEncodingUtf8;
    if (charset == "euc-jp" || charset == "x-euc-jp" || charset == "eucjp") return kEncodingEucJp;
    if (charset == "shift_jis" || charset == "shift-jis" || charset == "sjis" ||
        charset == "x-sjis" || charset == "windows-31j" || charset == "cp932") {
        return kEncodingShiftJis;
    }
    if (charset == "iso-2022-jp") return kEncodingIso2022Jp;
    return kEncodingUndetermined;
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

BodyTarget BodyTargetOf(const std::string& path) {
    const std::string ext = ToLowerAscii(PathExtension(path));
    if (ext == ".html" || ext == ".htm") return BodyTarget::Memory;
    if (ext == ".css" || ext == ".gif" || ext == ".jpg" || ext == ".jpeg" || ext == ".png") {
        return BodyTarget::Sink;
    }
    return BodyTarget::SinkUnlessMarkup;
}

ContentKind ClassifyContent(const std::string& path, const std::string& headers,
                            std::string_view content, LinkKind kind) {
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
    return kind == LinkKind::KnownHtml ? ContentKind::Html : ContentKind::Other;
}

TextEncoding DeclaredCharset(const std::string& headers) {
    CRegManager reg;
    if (reg.Search(headers, "content-type:[^\\r\\n]*?charset=\"?([-_A-Za-z0-9]+)", "i") < 1) {
        return kEncodingUndetermined;
    }
    return CharsetByName(reg.GetGroup(1));
}

TextEncoding DeclaredMetaCharset(std::string_view content) {
    // The declaration sits in the head; a page's first few kilobytes hold it.
    const std::string top = ToLowerAscii(content.substr(0, 8192));
    for (std::size_t at = top.find("<meta"); at != std::string::npos;
         at = top.find("<meta", at + 5)) {
        const std::size_t end = top.find('>', at);
        const std::string_view tag = std::string_view(top).substr(
            at, end == std::string::npos ? std::string::npos : end - at);
        std::size_t i = tag.find("charset");
        if (i == std::string_view::npos) continue;
        i += 7;
        while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t')) ++i;
        if (i >= tag.size() || tag[i] != '=') continue;
        ++i;
        while (i < tag.size() &&
               (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '"' || tag[i] == '\'')) {
            ++i;
        }
        std::size_t j = i;
        while (j < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[j])) ||
                                  tag[j] == '-' || tag[j] == '_')) {
            ++j;
        }
        return CharsetByName(tag.substr(i, j - i));
    }
    return kEncodingUndetermined;
}

TextEncoding PageEncoding(const std::string& headers, std::string_view content) {
    const TextEncoding detected = DetectEncoding(content);
    if (content.substr(0, 3) == "\xEF\xBB\xBF" || detected == kEncodingUtf16Le ||
        detected == kEncodingUtf16Be) {
        return detected;
    }
    for (const TextEncoding declared : {DeclaredCharset(headers), DeclaredMetaCharset(content)}) {
        if (declared != kEncodingUndetermined && IsValidIn(content, declared)) return declared;
    }
    return detected;
}

}  // namespace corvane
