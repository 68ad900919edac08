#include "net/url_primitives.h"

#include <array>
#include <cctype>

#include "platform/ascii.h"
#include "platform/sjis.h"

namespace corvane {

namespace {

struct SchemeEntry {
    const char* name;
    int number;
    std::uint16_t port;
};

constexpr std::array<SchemeEntry, 11> kSchemes = {{
    {"ftp", INTERNET_SCHEME_FTP, 21},
    {"gopher", INTERNET_SCHEME_GOPHER, 70},
    {"http", INTERNET_SCHEME_HTTP, 80},
    {"https", INTERNET_SCHEME_HTTPS, 443},
    {"file", INTERNET_SCHEME_FILE, 0},
    {"news", INTERNET_SCHEME_NEWS, 0},
    {"mailto", INTERNET_SCHEME_MAILTO, 0},
    {"socks", INTERNET_SCHEME_SOCKS, 1080},
    {"javascript", INTERNET_SCHEME_JAVASCRIPT, 0},
    {"vbscript", INTERNET_SCHEME_VBSCRIPT, 0},
    {"res", INTERNET_SCHEME_RES, 0},
}};

bool IsBlank(unsigned char c) { return c <= 0x20; }

// Length of a leading "scheme:" name (without the colon), 0 when the text has none.
std::size_t SchemeLength(std::string_view url) {
    if (url.empty() || !IsAsciiAlpha(url[0])) return 0;
    for (std::size_t i = 1; i < url.size(); ++i) {
        const char c = url[i];
        if (c == ':') return i;
        if (!IsAsciiAlnum(c) && c != '+' && c != '-' && c != '.') return 0;
    }
    return 0;
}

// Position of the first of `delims` at or after `from`, scanning character-wise so that a
// trail byte is never taken for a delimiter; npos when there is none.
std::size_t FindDelimiter(std::string_view text, std::size_t from, std::string_view delims) {
    for (std::size_t i = from; i < text.size(); i += SjisCharLength(text, i)) {
        if (delims.find(text[i]) != std::string_view::npos) return i;
    }
    return std::string_view::npos;
}

// A URL cut into the pieces canonicalising and combining work on. `authority` excludes
// the leading "//"; `extra` starts with '?' or '#' (or is empty).
struct UrlPieces {
    std::string scheme;  // without ':'
    bool hasAuthority = false;
    std::string authority;
    std::string path;
    std::string extra;
};

UrlPieces SplitPieces(std::string_view url) {
    UrlPieces p;
    std::size_t pos = SchemeLength(url);
    if (pos > 0) {
        p.scheme = std::string(url.substr(0, pos));
        ++pos;
    }
    if (url.substr(pos, 2) == "//") {
        p.hasAuthority = true;
        std::size_t end = FindDelimiter(url, pos + 2, "/?#");
        if (end == std::string_view::npos) end = url.size();
        p.authority = std::string(url.substr(pos + 2, end - pos - 2));
        pos = end;
    }
    std::size_t end = FindDelimiter(url, pos, "?#");
    if (end == std::string_view::npos) end = url.size();
    p.path = std::string(url.substr(pos, end - pos));
    p.extra = std::string(url.substr(end));
    return p;
}

std::string JoinPieces(const UrlPieces& p) {
    std::string out;
    if (!p.scheme.empty()) out += p.scheme + ":";
    if (p.hasAuthority) out += "//" + p.authority;
    out += p.path;
    out += p.extra;
    return out;
}

// Decodes %XX escapes. Escapes that would produce a byte in `keep` stay as they are: a
// decoded '?' or '#' would move the end of the path, a decoded zero byte would cut the
// text short.
std::string DecodeEscapes(std::string_view text, std::string_view keep) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            char c = static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            if (c != '\0' && keep.find(c) == std::string_view::npos) {
                out += c;
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool IsUnsafe(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F) return true;
    switch (c) {
        case '"':
        case '<':
        case '>':
        case '\\':
        case '^':
        case '`':
        case '{':
        case '|':
        case '}':
            return true;
        default:
            return false;
    }
}

// Percent-encodes unsafe characters (or only blanks). A double-byte character is encoded
// whole, so a trail byte such as 0x5C never stands alone.
std::string EncodeUnsafe(std::string_view text, bool spacesOnly) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t len = SjisCharLength(text, i);
        unsigned char c = static_cast<unsigned char>(text[i]);
        bool encode = spacesOnly ? c == ' ' : (len == 2 || IsUnsafe(c));
        for (std::size_t k = 0; k < len; ++k) {
            if (encode)
                AppendPercentEscape(out, static_cast<unsigned char>(text[i + k]));
            else
                out += text[i + k];
        }
        i += len;
    }
    return out;
}

// Resolves '.' and '..' segments; '..' never climbs above the root.
std::string RemoveDotSegments(std::string_view path) {
    std::string in(path);
    std::string out;
    auto dropLastSegment = [&out] {
        std::size_t slash = out.rfind('/');
        out.erase(slash == std::string::npos ? 0 : slash);
    };
    while (!in.empty()) {
        if (in.starts_with("../")) {
            in.erase(0, 3);
        } else if (in.starts_with("./")) {
            in.erase(0, 2);
        } else if (in.starts_with("/./")) {
            in.erase(0, 2);
        } else if (in == "/.") {
            in = "/";
        } else if (in.starts_with("/../")) {
            in.erase(0, 3);
            dropLastSegment();
        } else if (in == "/..") {
            in = "/";
            dropLastSegment();
        } else if (in == "." || in == "..") {
            in.clear();
        } else {
            std::size_t next = in.find('/', in[0] == '/' ? 1 : 0);
            if (next == std::string::npos) next = in.size();
            out.append(in, 0, next);
            in.erase(0, next);
        }
    }
    return out;
}

std::string_view Trim(std::string_view text, bool keepTrailing) {
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    if (!keepTrailing) {
        while (!text.empty() && IsBlank(static_cast<unsigned char>(text.back())))
            text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::size_t SjisCharLength(std::string_view text, std::size_t pos) {
    if (pos + 1 < text.size() && IsSjisLeadByte(static_cast<unsigned char>(text[pos])) &&
        IsSjisTrailByte(static_cast<unsigned char>(text[pos + 1])))
        return 2;
    return 1;
}

int SchemeNumberOf(std::string_view scheme) {
    for (const SchemeEntry& e : kSchemes) {
        std::string_view name(e.name);
        if (name.size() != scheme.size()) continue;
        if (EqualsNoCaseAscii(scheme, name)) return e.number;
    }
    return INTERNET_SCHEME_UNKNOWN;
}

std::uint16_t DefaultPortOf(int schemeNumber) {
    for (const SchemeEntry& e : kSchemes)
        if (e.number == schemeNumber) return e.port;
    return 0;
}

bool CanonicalizeUrlText(std::string_view url, std::uint32_t flags, std::string& out) {
    out.clear();
    if (url.size() > INTERNET_MAX_URL_LENGTH) return false;
    const bool browserMode = (flags & ICU_BROWSER_MODE) != 0;
    // In browser mode blanks after '?' or '#' belong to the query and stay.
    const bool keepTrailing = browserMode && url.find_first_of("?#") != std::string_view::npos;
    UrlPieces p = SplitPieces(Trim(url, keepTrailing));

    if (flags & ICU_DECODE) {
        p.authority = DecodeEscapes(p.authority, "/?#@:");
        p.path = DecodeEscapes(p.path, "?#");
        if (!browserMode) p.extra = DecodeEscapes(p.extra, "#");
    }
    if (!(flags & ICU_NO_META) && (p.hasAuthority || p.path.starts_with("/")))
        p.path = RemoveDotSegments(p.path);

    const bool spacesOnly = (flags & ICU_ENCODE_SPACES_ONLY) != 0;
    if (spacesOnly || !(flags & ICU_NO_ENCODE)) {
        p.path = EncodeUnsafe(p.path, spacesOnly);
        if (!browserMode) p.extra = EncodeUnsafe(p.extra, spacesOnly);
    }

    std::string result = JoinPieces(p);
    if (result.size() > INTERNET_MAX_URL_LENGTH) return false;
    out = std::move(result);
    return true;
}

bool CrackUrlText(std::string_view url, UrlComponents& out) {
    out = UrlComponents{};
    std::size_t schemeLen = SchemeLength(url);
    if (schemeLen == 0) return false;
    UrlPieces p = SplitPieces(url);

    UrlComponents c;
    c.scheme = p.scheme;
    c.schemeNumber = SchemeNumberOf(c.scheme);
    c.port = DefaultPortOf(c.schemeNumber);
    c.path = p.path;
    c.extra = p.extra;

    if (p.hasAuthority) {
        std::string_view auth = p.authority;
        // The user information ends at the last '@' of the authority.
        std::size_t at = std::string_view::npos;
        for (std::size_t i = 0; i < auth.size(); i += SjisCharLength(auth, i))
            if (auth[i] == '@') at = i;
        if (at != std::string_view::npos) {
            std::string_view info = auth.substr(0, at);
            std::size_t colon = FindDelimiter(info, 0, ":");
            if (colon == std::string_view::npos) {
                c.user = std::string(info);
            } else {
                c.user = std::string(info.substr(0, colon));
                c.password = std::string(info.substr(colon + 1));
            }
            auth.remove_prefix(at + 1);
        }
        std::size_t colon = std::string_view::npos;
        if (auth.starts_with("[")) {
            std::size_t close = auth.find(']');
            if (close == std::string_view::npos) return false;
            if (close + 1 < auth.size()) {
                if (auth[close + 1] != ':') return false;
                colon = close + 1;
            }
        } else {
            colon = auth.rfind(':');
        }
        c.host = std::string(auth.substr(0, colon));
        if (colon != std::string_view::npos) {
            std::string_view digits = auth.substr(colon + 1);
            if (!digits.empty()) {
                unsigned long port = 0;
                for (char d : digits) {
                    if (d < '0' || d > '9') return false;
                    port = port * 10 + static_cast<unsigned long>(d - '0');
                    if (port > 65535) return false;
                }
                c.port = static_cast<std::uint16_t>(port);
            }
        }
    }
    out = std::move(c);
    return true;
}

bool CombineUrlText(std::string_view base, std::string_view relative, std::uint32_t flags,
                    std::string& out) {
    out.clear();
    if (base.size() > INTERNET_MAX_URL_LENGTH || relative.size() > INTERNET_MAX_URL_LENGTH)
        return false;
    std::string_view rel = Trim(relative, false);
    if (SchemeLength(rel) > 0) return CanonicalizeUrlText(rel, flags, out);

    UrlPieces b = SplitPieces(Trim(base, false));
    if (b.scheme.empty()) return false;
    // Only hierarchical URLs have folders to resolve against ("mailto:x" has none).
    if (!b.hasAuthority && !b.path.starts_with("/")) return false;

    UrlPieces t;
    t.scheme = b.scheme;
    t.hasAuthority = b.hasAuthority;
    t.authority = b.authority;
    std::string target;
    if (rel.starts_with("//")) {
        target = b.scheme + ":" + std::string(rel);
    } else {
        std::size_t hash = FindDelimiter(b.extra, 0, "#");
        std::string baseQuery = b.extra.substr(0, hash);
        if (rel.empty()) {
            t.path = b.path;
            t.extra = baseQuery;
        } else if (rel.starts_with("#")) {
            t.path = b.path;
            t.extra = baseQuery + std::string(rel);
        } else if (rel.starts_with("?")) {
            t.path = b.path;
            t.extra = std::string(rel);
        } else if (rel.starts_with("/")) {
            t.path = std::string(rel);
        } else if (b.hasAuthority && b.path.empty()) {
            t.path = "/" + std::string(rel);
        } else {
            t.path = b.path.substr(0, b.path.rfind('/') + 1) + std::string(rel);
        }
        target = JoinPieces(t);
    }
    return CanonicalizeUrlText(target, flags, out);
}

bool CreateUrlText(const UrlComponents& parts, std::string& out) {
    out.clear();
    int number = parts.schemeNumber;
    std::string scheme = parts.scheme;
    if (scheme.empty()) {
        for (const SchemeEntry& e : kSchemes)
            if (e.number == number) scheme = e.name;
        if (scheme.empty()) return false;
    } else if (number == INTERNET_SCHEME_UNKNOWN) {
        number = SchemeNumberOf(scheme);
    }

    std::string url = scheme + ":";
    const bool hierarchical = !parts.host.empty() || number == INTERNET_SCHEME_FTP ||
                              number == INTERNET_SCHEME_GOPHER || number == INTERNET_SCHEME_HTTP ||
                              number == INTERNET_SCHEME_HTTPS || number == INTERNET_SCHEME_FILE;
    if (hierarchical) url += "//";
    if (!parts.user.empty()) {
        url += parts.user;
        if (!parts.password.empty()) url += ":" + parts.password;
        url += "@";
    }
    url += parts.host;
    if (!parts.host.empty() && parts.port != 0 && parts.port != DefaultPortOf(number))
        url += ":" + std::to_string(parts.port);
    url += parts.path;
    url += parts.extra;
    out = std::move(url);
    return true;
}

}  // namespace corvane
