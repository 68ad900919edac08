#include "help/search_tokenizer.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

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

// The named character references of HTML 4 (which the help viewer's engine knows), sorted
// by name: PukiWiki writes "&uarr;", "&dagger;", "&nbsp;" and the like.
struct CNamedReference {
    const char* pszName;
    unsigned long nCode;
};
constexpr CNamedReference kNamedReferences[] = {
    {"AElig", 0xC6},     {"Aacute", 0xC1},   {"Acirc", 0xC2},     {"Agrave", 0xC0},
    {"Alpha", 0x391},    {"Aring", 0xC5},    {"Atilde", 0xC3},    {"Auml", 0xC4},
    {"Beta", 0x392},     {"Ccedil", 0xC7},   {"Chi", 0x3A7},      {"Dagger", 0x2021},
    {"Delta", 0x394},    {"ETH", 0xD0},      {"Eacute", 0xC9},    {"Ecirc", 0xCA},
    {"Egrave", 0xC8},    {"Epsilon", 0x395}, {"Eta", 0x397},      {"Euml", 0xCB},
    {"Gamma", 0x393},    {"Iacute", 0xCD},   {"Icirc", 0xCE},     {"Igrave", 0xCC},
    {"Iota", 0x399},     {"Iuml", 0xCF},     {"Kappa", 0x39A},    {"Lambda", 0x39B},
    {"Mu", 0x39C},       {"Ntilde", 0xD1},   {"Nu", 0x39D},       {"OElig", 0x152},
    {"Oacute", 0xD3},    {"Ocirc", 0xD4},    {"Ograve", 0xD2},    {"Omega", 0x3A9},
    {"Omicron", 0x39F},  {"Oslash", 0xD8},   {"Otilde", 0xD5},    {"Ouml", 0xD6},
    {"Phi", 0x3A6},      {"Pi", 0x3A0},      {"Prime", 0x2033},   {"Psi", 0x3A8},
    {"Rho", 0x3A1},      {"Scaron", 0x160},  {"Sigma", 0x3A3},    {"THORN", 0xDE},
    {"Tau", 0x3A4},      {"Theta", 0x398},   {"Uacute", 0xDA},    {"Ucirc", 0xDB},
    {"Ugrave", 0xD9},    {"Upsilon", 0x3A5}, {"Uuml", 0xDC},      {"Xi", 0x39E},
    {"Yacute", 0xDD},    {"Yuml", 0x178},    {"Zeta", 0x396},     {"aacute", 0xE1},
    {"acirc", 0xE2},     {"acute", 0xB4},    {"aelig", 0xE6},     {"agrave", 0xE0},
    {"alefsym", 0x2135}, {"alpha", 0x3B1},   {"amp", 0x26},       {"and", 0x2227},
    {"ang", 0x2220},     {"apos", 0x27},     {"aring", 0xE5},     {"asymp", 0x2248},
    {"atilde", 0xE3},    {"auml", 0xE4},     {"bdquo", 0x201E},   {"beta", 0x3B2},
    {"brvbar", 0xA6},    {"bull", 0x2022},   {"cap", 0x2229},     {"ccedil", 0xE7},
    {"cedil", 0xB8},     {"cent", 0xA2},     {"chi", 0x3C7},      {"circ", 0x2C6},
    {"clubs", 0x2663},   {"cong", 0x2245},   {"copy", 0xA9},      {"crarr", 0x21B5},
    {"cup", 0x222A},     {"curren", 0xA4},   {"dArr", 0x21D3},    {"dagger", 0x2020},
    {"darr", 0x2193},    {"deg", 0xB0},      {"delta", 0x3B4},    {"diams", 0x2666},
    {"divide", 0xF7},    {"eacute", 0xE9},   {"ecirc", 0xEA},     {"egrave", 0xE8},
    {"empty", 0x2205},   {"emsp", 0x2003},   {"ensp", 0x2002},    {"epsilon", 0x3B5},
    {"equiv", 0x2261},   {"eta", 0x3B7},     {"eth", 0xF0},       {"euml", 0xEB},
    {"euro", 0x20AC},    {"exist", 0x2203},  {"fnof", 0x192},     {"forall", 0x2200},
    {"frac12", 0xBD},    {"frac14", 0xBC},   {"frac34", 0xBE},    {"frasl", 0x2044},
    {"gamma", 0x3B3},    {"ge", 0x2265},     {"gt", 0x3E},        {"hArr", 0x21D4},
    {"harr", 0x2194},    {"hearts", 0x2665}, {"hellip", 0x2026},  {"iacute", 0xED},
    {"icirc", 0xEE},     {"iexcl", 0xA1},    {"igrave", 0xEC},    {"image", 0x2111},
    {"infin", 0x221E},   {"int", 0x222B},    {"iota", 0x3B9},     {"iquest", 0xBF},
    {"isin", 0x2208},    {"iuml", 0xEF},     {"kappa", 0x3BA},    {"lArr", 0x21D0},
    {"lambda", 0x3BB},   {"lang", 0x2329},   {"laquo", 0xAB},     {"larr", 0x2190},
    {"lceil", 0x2308},   {"ldquo", 0x201C},  {"le", 0x2264},      {"lfloor", 0x230A},
    {"lowast", 0x2217},  {"loz", 0x25CA},    {"lrm", 0x200E},     {"lsaquo", 0x2039},
    {"lsquo", 0x2018},   {"lt", 0x3C},       {"macr", 0xAF},      {"mdash", 0x2014},
    {"micro", 0xB5},     {"middot", 0xB7},   {"minus", 0x2212},   {"mu", 0x3BC},
    {"nabla", 0x2207},   {"nbsp", 0xA0},     {"ndash", 0x2013},   {"ne", 0x2260},
    {"ni", 0x220B},      {"not", 0xAC},      {"notin", 0x2209},   {"nsub", 0x2284},
    {"ntilde", 0xF1},    {"nu", 0x3BD},      {"oacute", 0xF3},    {"ocirc", 0xF4},
    {"oelig", 0x153},    {"ograve", 0xF2},   {"oline", 0x203E},   {"omega", 0x3C9},
    {"omicron", 0x3BF},  {"oplus", 0x2295},  {"or", 0x2228},      {"ordf", 0xAA},
    {"ordm", 0xBA},      {"oslash", 0xF8},   {"otilde", 0xF5},    {"otimes", 0x2297},
    {"ouml", 0xF6},      {"para", 0xB6},     {"part", 0x2202},    {"permil", 0x2030},
    {"perp", 0x22A5},    {"phi", 0x3C6},     {"pi", 0x3C0},       {"piv", 0x3D6},
    {"plusmn", 0xB1},    {"pound", 0xA3},    {"prime", 0x2032},   {"prod", 0x220F},
    {"prop", 0x221D},    {"psi", 0x3C8},     {"quot", 0x22},      {"rArr", 0x21D2},
    {"radic", 0x221A},   {"rang", 0x232A},   {"raquo", 0xBB},     {"rarr", 0x2192},
    {"rceil", 0x2309},   {"rdquo", 0x201D},  {"real", 0x211C},    {"reg", 0xAE},
    {"rfloor", 0x230B},  {"rho", 0x3C1},     {"rlm", 0x200F},     {"rsaquo", 0x203A},
    {"rsquo", 0x2019},   {"sbquo", 0x201A},  {"scaron", 0x161},   {"sdot", 0x22C5},
    {"sect", 0xA7},      {"shy", 0xAD},      {"sigma", 0x3C3},    {"sigmaf", 0x3C2},
    {"sim", 0x223C},     {"spades", 0x2660}, {"sub", 0x2282},     {"sube", 0x2286},
    {"sum", 0x2211},     {"sup", 0x2283},    {"sup1", 0xB9},      {"sup2", 0xB2},
    {"sup3", 0xB3},      {"supe", 0x2287},   {"szlig", 0xDF},     {"tau", 0x3C4},
    {"there4", 0x2234},  {"theta", 0x3B8},   {"thetasym", 0x3D1}, {"thinsp", 0x2009},
    {"thorn", 0xFE},     {"tilde", 0x2DC},   {"times", 0xD7},     {"trade", 0x2122},
    {"uArr", 0x21D1},    {"uacute", 0xFA},   {"uarr", 0x2191},    {"ucirc", 0xFB},
    {"ugrave", 0xF9},    {"uml", 0xA8},      {"upsih", 0x3D2},    {"upsilon", 0x3C5},
    {"uuml", 0xFC},      {"weierp", 0x2118}, {"xi", 0x3BE},       {"yacute", 0xFD},
    {"yen", 0xA5},       {"yuml", 0xFF},     {"zeta", 0x3B6},     {"zwj", 0x200D},
    {"zwnj", 0x200C},
};

// The code point of a named reference; 0 for an unknown name (letter case counts).
unsigned long NamedReferenceCode(const std::string& name) {
    const auto* end = std::end(kNamedReferences);
    const auto* at = std::lower_bound(std::begin(kNamedReferences), end, name,
                                      [](const CNamedReference& entry, const std::string& key) {
                                          return key.compare(entry.pszName) > 0;
                                      });
    return at != end && name == at->pszName ? at->nCode : 0;
}

// The bytes a character reference stands for, or a blank for one that separates words (or
// that Shift_JIS cannot hold).
std::string DecodeEntity(const std::string& name) {
    if (!name.empty() && name[0] != '#') {
        const unsigned long code = NamedReferenceCode(name);
        return code == 0 ? std::string(" ") : DecodeEntity("#" + std::to_string(code));
    }
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
            const std::string_view ch = std::string_view(text).substr(i, 2);
            ++i;
            if (ch == kIdeographicSpace.str()) continue;
            tokens.push_back({std::string(ch), position++, title});
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
    body.reserve(html.size());
    auto emit = [&](std::string_view bytes) {
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
            emit(std::string_view(html).substr(i, 2));
            i += 2;
            continue;
        }
        // A run of single bytes up to the next tag, reference or double-byte character.
        size_t end = i + 1;
        while (end < html.size() && html[end] != '<' && html[end] != '&' &&
               !IsSjisLeadByte(static_cast<unsigned char>(html[end]))) {
            ++end;
        }
        emit(std::string_view(html).substr(i, end - i));
        i = end;
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
