#include "net/url_parts.h"

#include <algorithm>
#include <cstdio>

#include "net/url_primitives.h"
#include "platform/ascii.h"

namespace corvane {

namespace {

// Escapes decoded, only blanks encoded, '.' and '..' kept, query and fragment untouched.
constexpr std::uint32_t kParseFlags =
    ICU_NO_ENCODE | ICU_DECODE | ICU_NO_META | ICU_ENCODE_SPACES_ONLY | ICU_BROWSER_MODE;

}  // namespace

CUrlParts::CUrlParts(const std::string& text) : m_strText(text) {
    if (text.empty()) return;
    std::string canonical = CanonicalizeUrl(text, kParseFlags);
    if (canonical.empty()) return;
    UrlComponents parts;
    if (!CrackUrlText(canonical, parts)) return;
    m_strScheme = parts.scheme;
    m_strHost = parts.host;
    m_strUser = parts.user;
    m_strPassword = parts.password;
    m_strPath = parts.path;
    m_strExtra = parts.extra;
    m_nPort = parts.port;
    m_nScheme = parts.schemeNumber;
    // A network URL needs a host to talk to; other schemes are taken as they split.
    if ((m_nScheme == INTERNET_SCHEME_FTP || m_nScheme == INTERNET_SCHEME_HTTP ||
         m_nScheme == INTERNET_SCHEME_HTTPS) &&
        m_strHost.empty())
        return;
    m_bValid = true;
}

UrlScheme CUrlParts::GetSchemeKind() const {
    if (!m_bValid) return UrlScheme::Other;
    switch (m_nScheme) {
        case INTERNET_SCHEME_HTTP:
            return UrlScheme::Http;
        case INTERNET_SCHEME_HTTPS:
            return UrlScheme::Https;
        case INTERNET_SCHEME_FILE:
            return UrlScheme::File;
        default:
            return UrlScheme::Other;
    }
}

bool CUrlParts::IsWeb() const {
    const UrlScheme scheme = GetSchemeKind();
    return scheme == UrlScheme::Http || scheme == UrlScheme::Https;
}

std::string CUrlParts::GetObjectName() const { return m_strPath + m_strExtra; }

std::string CUrlParts::MakeBaseUrl() const {
    std::string path = m_strPath;
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash + 1 != path.size()) path.erase(slash + 1);

    UrlComponents parts;
    parts.scheme = m_strScheme;
    parts.schemeNumber = m_nScheme;
    parts.host = m_strHost;
    parts.port = static_cast<std::uint16_t>(m_nPort);
    parts.user = m_strUser;
    parts.password = m_strPassword;
    parts.path = path;
    std::string url;
    if (!CreateUrlText(parts, url)) return {};
    return url;
}

std::string BaseUrlOf(const std::string& text) {
    CUrlParts url(text);
    return url.IsValid() ? url.MakeBaseUrl() : std::string();
}

std::string CanonicalizeUrl(const std::string& text, std::uint32_t flags) {
    std::string out;
    return CanonicalizeUrlText(text, flags, out) ? out : std::string();
}

std::string CombineUrl(const std::string& base, const std::string& relative, std::uint32_t flags) {
    std::string out;
    return CombineUrlText(base, relative, flags, out) ? out : std::string();
}

std::string UrlEncode(const std::string& text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if (IsAsciiAlnum(c)) {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            AppendPercentEscape(out, c);
        }
    }
    return out;
}

std::string UrlDecode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        // Up to two characters follow; the hexadecimal digits at their start give the byte.
        std::size_t avail = std::min<std::size_t>(2, text.size() - i - 1);
        unsigned value = 0;
        for (std::size_t k = 0; k < avail; ++k) {
            int d = HexValue(text[i + 1 + k]);
            if (d < 0) break;
            value = value * 16 + static_cast<unsigned>(d);
        }
        if (value != 0) out += static_cast<char>(value & 0xFF);
        i += avail;
    }
    return out;
}

std::string StripFragment(const std::string& text) {
    std::size_t hash = std::string::npos;
    for (std::size_t i = 0; i < text.size(); i += SjisCharLength(text, i))
        if (text[i] == '#') hash = i;
    return hash == std::string::npos ? text : text.substr(0, hash);
}

}  // namespace corvane
