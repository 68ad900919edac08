#include "help/search_tokenizer.h"

#include <cstring>

#include "platform/ascii.h"
#include "platform/sjis.h"
#include "platform/sjis_text.h"
#include "platform/text_codec.h"

namespace corvane {
namespace {

// The ideographic space separates words like a blank.
constinit CSjisText kIdeographicSpace{"　"};

// The longest word the index stores; longer ASCII runs keep their beginning.
constexpr size_t kMaxWordLength = 99;

bool IsHalfWidthKatakana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

std::string LowerTagName(const std::string& html, size_t pos) {
    std::string name;
    while (pos < html.size()) {
        const char c = html[pos];
        if (!IsAsciiAlnum(c)) break;
        name += AsciiLower(c);
        ++pos;
    }
    return name;
}

// Tags that run inside a line of text: a word goes on across them ("<b>Cor</b>vane").
bool IsInlineTag(const std::string& name) {
    static const char* const kInline[] = {"a",    "b",    "i",      "u",    "em",    "strong",
                                          "span", "font", "tt",     "code", "small", "big",
                                          "sub",  "sup",  "abbr",   "kbd",  "var",   "cite",
                                          "q",    "s",    "strike", "del",  "ins",   "mark"};
    for (const char* tag : kInline) {
        if (name == tag) return true;
    }
    return false;
}

// The bytes a character reference stands for, or a blank for one that separates words (or
// that Shift_JIS cannot hold).
std::string DecodeEntity(const std::string& name) {
    if (!name.empty() && name[0] == '#') {
        unsigned long code = 0;
        bool ok = name.size() > 1;
        const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        for (size_t i = hex ? 2 : 1; i < name.size() && ok; ++i) {
            const char c = name[i];
            const int digit = hex ? HexValue(c) : (IsAsciiDigit(c) ? c - '0' : -1);
            if (digit < 0) {
                ok = false;
                break;
            }
            code = code * (hex ? 16 : 10) + digit;
            if (code > 0x10FFFF) ok = false;
        }
        if (!ok || (hex && name.size() == 2) || code == 0) return " ";
        if (code < 0x80) return std::string(1, static_cast<char>(code));
        if (code >= 0xD800 && code <= 0xDFFF) return " ";
        std::string utf8;
        if (code < 0x800) {
            utf8 += static_cast<char>(0xC0 | (code >> 6));
        } else if (code < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (code >> 12));
            utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | (code >> 18));
            utf8 += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        }
        utf8 += static_cast<char>(0x80 | (code & 0x3F));
        auto sjis = ConvertCodePageStrict(utf8, "UTF-8", "CP932");
        return sjis ? *sjis : std::string(" ");
    }
    if (name == "amp") return "&";
    if (name == "lt") return "<";
    if (name == "gt") return ">";
    if (name == "quot") return "\"";
    if (name == "apos") return "'";
    return " ";
}

}  // namespace

bool IsHelpPageName(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string ext = name.substr(dot + 1);
    return EqualsNoCaseAscii(ext, "htm") || EqualsNoCaseAscii(ext, "html");
}

void TokenizeText(const std::string& text, uint32_t firstPosition, bool title,
                  std::vector<CSearchToken>& tokens) {
    uint32_t position = firstPosition;
    std::string run;
    auto flush = [&]() {
        if (run.empty()) return;
        if (run.size() > kMaxWordLength) run.resize(kMaxWordLength);
        tokens.push_back({run, position++, title});
        run.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsSjisLeadByte(c) && i + 1 < text.size() &&
            IsSjisTrailByte(static_cast<unsigned char>(text[i + 1]))) {
            flush();
            const std::string ch = text.substr(i, 2);
            ++i;
            if (ch == kIdeographicSpace.str()) continue;
            tokens.push_back({ch, position++, title});
        } else if (IsHalfWidthKatakana(c)) {
            flush();
            tokens.push_back({std::string(1, static_cast<char>(c)), position++, title});
        } else if (IsAsciiAlnum(static_cast<char>(c))) {
            run += AsciiLower(static_cast<char>(c));
        } else {
            flush();
        }
    }
    flush();
}

CSearchDocument TokenizeHelpPage(const std::string& html) {
    std::string title, body;
    bool inTitle = false, inHead = false;
    size_t i = 0;
    auto emit = [&](const std::string& bytes) {
        if (inTitle)
            title += bytes;
        else if (!inHead)
            body += bytes;
    };
    while (i < html.size()) {
        const char c = html[i];
        if (c == '<') {
            if (html.compare(i, 4, "<!--") == 0) {
                const size_t end = html.find("-->", i + 4);
                i = end == std::string::npos ? html.size() : end + 3;
                emit(" ");
                continue;
            }
            const bool closing = i + 1 < html.size() && html[i + 1] == '/';
            const std::string name = LowerTagName(html, i + (closing ? 2 : 1));
            if (name.empty() &&
                !(i + 1 < html.size() && (html[i + 1] == '!' || html[i + 1] == '?'))) {
                emit("<");  // a lone "<" is text
                ++i;
                continue;
            }
            // Find the end of the tag; a quoted attribute may hold ">".
            size_t pos = i + 1;
            char quote = 0;
            while (pos < html.size()) {
                const char d = html[pos];
                if (quote) {
                    if (d == quote) quote = 0;
                } else if (d == '"' || d == '\'') {
                    quote = d;
                } else if (d == '>') {
                    break;
                }
                ++pos;
            }
            i = pos < html.size() ? pos + 1 : html.size();
            if (!closing && (name == "script" || name == "style")) {
                size_t end = i;
                while (end < html.size()) {
                    end = html.find("</", end);
                    if (end == std::string::npos) break;
                    if (LowerTagName(html, end + 2) == name) break;
                    end += 2;
                }
                if (end == std::string::npos) {
                    i = html.size();
                } else {
                    const size_t gt = html.find('>', end);
                    i = gt == std::string::npos ? html.size() : gt + 1;
                }
                emit(" ");
                continue;
            }
            if (name == "title") {
                inTitle = !closing;
                continue;
            }
            if (name == "head") {
                inHead = !closing;
                continue;
            }
            if (name == "body" && !closing) {
                inHead = false;
                body.clear();  // text before <body> is no part of the page's text
                continue;
            }
            if (!IsInlineTag(name)) emit(" ");
            continue;
        }
        if (c == '&') {
            size_t pos = i + 1;
            while (pos < html.size() && pos - i <= 10 &&
                   (IsAsciiAlnum(html[pos]) || html[pos] == '#')) {
                ++pos;
            }
            if (pos > i + 1 && pos < html.size() && html[pos] == ';') {
                emit(DecodeEntity(html.substr(i + 1, pos - i - 1)));
                i = pos + 1;
                continue;
            }
            emit("&");
            ++i;
            continue;
        }
        // A double-byte character is copied whole, so that its trail byte is never read alone.
        if (IsSjisLeadByte(static_cast<unsigned char>(c)) && i + 1 < html.size()) {
            emit(html.substr(i, 2));
            i += 2;
            continue;
        }
        emit(std::string(1, c));
        ++i;
    }

    CSearchDocument doc;
    // The title as the viewer lists it: blanks folded, no leading or trailing blank.
    for (char ch : title) {
        const bool blank = ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
        if (blank) {
            if (!doc.strTitle.empty() && doc.strTitle.back() != ' ') doc.strTitle += ' ';
        } else {
            doc.strTitle += ch;
        }
    }
    while (!doc.strTitle.empty() && doc.strTitle.back() == ' ') doc.strTitle.pop_back();
    TokenizeText(title, 0, true, doc.tokens);
    TokenizeText(body, static_cast<uint32_t>(doc.tokens.size()), false, doc.tokens);
    return doc;
}

}  // namespace corvane
