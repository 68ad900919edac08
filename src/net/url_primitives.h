// The four low-level URL operations the URL utilities are built on: canonicalise, split,
// combine and rebuild. They follow the Windows Internet URL functions in their flags,
// scheme numbers, 2,084-character limit and results for the URLs this program meets, and
// work on Shift_JIS byte strings (a double-byte character is never split, and its trail
// byte is never taken for a delimiter such as '\\' or '|').
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// Canonicalisation flags (the values of the platform's ICU_* flags).
constexpr std::uint32_t ICU_NO_ENCODE = 0x20000000;           // leave unsafe characters as they are
constexpr std::uint32_t ICU_DECODE = 0x10000000;              // decode %XX escapes first
constexpr std::uint32_t ICU_NO_META = 0x08000000;             // keep '.' and '..' segments
constexpr std::uint32_t ICU_ENCODE_SPACES_ONLY = 0x04000000;  // encode blanks, nothing else
constexpr std::uint32_t ICU_BROWSER_MODE = 0x02000000;        // leave what follows '?' or '#' alone

// Longest URL text the canonicalising and combining operations produce.
constexpr std::size_t INTERNET_MAX_URL_LENGTH = 2084;

// Scheme numbers.
constexpr int INTERNET_SCHEME_UNKNOWN = -1;
constexpr int INTERNET_SCHEME_FTP = 1;
constexpr int INTERNET_SCHEME_GOPHER = 2;
constexpr int INTERNET_SCHEME_HTTP = 3;
constexpr int INTERNET_SCHEME_HTTPS = 4;
constexpr int INTERNET_SCHEME_FILE = 5;
constexpr int INTERNET_SCHEME_NEWS = 6;
constexpr int INTERNET_SCHEME_MAILTO = 7;
constexpr int INTERNET_SCHEME_SOCKS = 8;
constexpr int INTERNET_SCHEME_JAVASCRIPT = 9;
constexpr int INTERNET_SCHEME_VBSCRIPT = 10;
constexpr int INTERNET_SCHEME_RES = 11;

// A URL split into its parts. `extra` is the query with its '?' and/or the fragment with
// its '#'. `port` is the scheme's default when the text names none (0 when it has none).
struct UrlComponents {
    std::string scheme;
    std::string host;
    std::string user;
    std::string password;
    std::string path;
    std::string extra;
    std::uint16_t port = 0;
    int schemeNumber = INTERNET_SCHEME_UNKNOWN;
};

// Scheme number for a scheme name (letter case ignored); INTERNET_SCHEME_UNKNOWN if none.
int SchemeNumberOf(std::string_view scheme);
// Default port of a scheme number (0 when the scheme has none).
std::uint16_t DefaultPortOf(int schemeNumber);

// Canonical form of `url` under `flags`. Without flags: unsafe characters (blanks,
// controls, '"', '<', '>', '\\', '^', '`', '{', '|', '}' and every byte from 0x80 up) are
// percent-encoded and '.' and '..' path segments are resolved. False when the text or its
// result is longer than INTERNET_MAX_URL_LENGTH.
bool CanonicalizeUrlText(std::string_view url, std::uint32_t flags, std::string& out);

// Splits an absolute URL ("scheme:..."). False when the text has no scheme or names an
// unusable port. Escapes are left as they stand.
bool CrackUrlText(std::string_view url, UrlComponents& out);

// Resolves `relative` against `base` and canonicalises the result under `flags`. False
// when the base is not an absolute hierarchical URL (and the reference is not absolute
// itself) or the result is too long.
bool CombineUrlText(std::string_view base, std::string_view relative, std::uint32_t flags,
                    std::string& out);

// Rebuilds URL text from parts; the port is written only when it is not the scheme's
// default. False when neither a scheme name nor a known scheme number is given.
bool CreateUrlText(const UrlComponents& parts, std::string& out);

// Byte length of the Shift_JIS character that starts at text[pos] (1 or 2).
std::size_t SjisCharLength(std::string_view text, std::size_t pos);

}  // namespace corvane
