// URL handling shared by the crawl, the page conversion and the network layer: the parsed
// URL value `CUrlParts` (validity, parts with their escapes decoded, scheme number) and the
// free functions that canonicalise, combine, reduce a URL to its folder, percent-encode,
// percent-decode and cut off fragments. All texts are Shift_JIS byte strings.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// The schemes the program tells apart when it decides what to do with a URL.
enum class UrlScheme { Other, Http, Https, File };

class CUrlParts {
public:
    CUrlParts() = default;
    // Parses at once; IsValid() tells whether the text split into usable parts.
    explicit CUrlParts(const std::string& text);

    bool IsValid() const { return m_bValid; }
    // The text exactly as given to the constructor (not canonicalised).
    const std::string& GetText() const { return m_strText; }
    const std::string& GetScheme() const { return m_strScheme; }
    const std::string& GetHost() const { return m_strHost; }
    const std::string& GetUser() const { return m_strUser; }
    const std::string& GetPassword() const { return m_strPassword; }
    const std::string& GetPath() const { return m_strPath; }
    // Query with its '?' and fragment with its '#', as far as present.
    const std::string& GetExtra() const { return m_strExtra; }
    // The scheme's default port when the text names none.
    std::uint32_t GetPort() const { return m_nPort; }
    // 3 = HTTP, 4 = HTTPS, 5 = FILE, 1 = FTP, -1 unknown (url_primitives.h lists all).
    std::int32_t GetSchemeNumber() const { return m_nScheme; }
    // The scheme by name; Other for any other scheme and for a URL that did not parse.
    UrlScheme GetSchemeKind() const;
    // HTTP or HTTPS: a URL the program fetches.
    bool IsWeb() const;

    // Path followed by the extra information: what an HTTP request asks the server for.
    std::string GetObjectName() const;
    // The URL of the folder holding this URL's resource (scheme, user, password, host,
    // port and the path up to its last '/'); query and fragment dropped. Empty on failure.
    std::string MakeBaseUrl() const;

private:
    bool m_bValid = false;
    std::string m_strText;
    std::string m_strScheme;
    std::string m_strHost;
    std::string m_strUser;
    std::string m_strPassword;
    std::string m_strPath;
    std::string m_strExtra;
    std::uint32_t m_nPort = 0;
    std::int32_t m_nScheme = -1;
};

// MakeBaseUrl() of the parsed text, or the empty text when it does not parse.
std::string BaseUrlOf(const std::string& text);

// Canonical text under the given ICU_* flags (url_primitives.h), empty on failure (for
// instance a URL longer than 2,084 characters).
std::string CanonicalizeUrl(const std::string& text, std::uint32_t flags);

// `relative` resolved against `base` and canonicalised under `flags` (0: unsafe characters
// encoded, '.' and '..' resolved); empty on failure.
std::string CombineUrl(const std::string& base, const std::string& relative, std::uint32_t flags);

// Form encoding: letters and digits stay, blank becomes '+', every other byte %XX.
std::string UrlEncode(const std::string& text);

// Percent-decoding: %XX becomes the byte, '+' stays; an escape giving the byte 0 and a
// '%' at the very end add nothing.
std::string UrlDecode(const std::string& text);

// The text before its last '#' (a trail byte never counts), or the whole text.
std::string StripFragment(const std::string& text);

}  // namespace corvane
