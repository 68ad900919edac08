#include "text/cp932_encoder.h"

#include <cstdint>
#include <vector>

#include "platform/sjis.h"
#include "platform/text_codec.h"

namespace corvane {
namespace {

constexpr std::uint16_t kUnmapped = 0xFFFF;  // no Shift_JIS code starts with 0xFF

// Characters that Windows maps to code page 932 although the code page does not decode
// back to them: its best-fit table, plus the C1 control and the four private-use
// characters that stand for the single bytes 0x80, 0xA0, 0xFD to 0xFF.
struct Extra {
    char16_t codePoint;
    std::uint16_t sjis;
};
constexpr Extra kWindowsExtras[] = {
    {0x0080, 0x80},
    {0xF8F0, 0xA0},
    {0xF8F1, 0xFD},
    {0xF8F2, 0xFE},
    {0xF8F3, 0xFF},
    {0x00A1, 0x21},
    {0x00A2, 0x8191},
    {0x00A3, 0x8192},
    {0x00A5, 0x5C},
    {0x00A6, 0x7C},
    {0x00A9, 0x63},
    {0x00AA, 0x61},
    {0x00AB, 0x81E1},
    {0x00AC, 0x81CA},
    {0x00AD, 0x2D},
    {0x00AE, 0x52},
    {0x00AF, 0x8150},
    {0x00B2, 0x32},
    {0x00B3, 0x33},
    {0x00B5, 0x83CA},
    {0x00B7, 0x8145},
    {0x00B8, 0x8143},
    {0x00B9, 0x31},
    {0x00BA, 0x6F},
    {0x00BB, 0x81E2},
    {0x00BF, 0x3F},
    {0x00C0, 0x41},
    {0x00C1, 0x41},
    {0x00C2, 0x41},
    {0x00C3, 0x41},
    {0x00C4, 0x41},
    {0x00C5, 0x41},
    {0x00C6, 0x41},
    {0x00C7, 0x43},
    {0x00C8, 0x45},
    {0x00C9, 0x45},
    {0x00CA, 0x45},
    {0x00CB, 0x45},
    {0x00CC, 0x49},
    {0x00CD, 0x49},
    {0x00CE, 0x49},
    {0x00CF, 0x49},
    {0x00D0, 0x44},
    {0x00D1, 0x4E},
    {0x00D2, 0x4F},
    {0x00D3, 0x4F},
    {0x00D4, 0x4F},
    {0x00D5, 0x4F},
    {0x00D6, 0x4F},
    {0x00D8, 0x4F},
    {0x00D9, 0x55},
    {0x00DA, 0x55},
    {0x00DB, 0x55},
    {0x00DC, 0x55},
    {0x00DD, 0x59},
    {0x00DE, 0x54},
    {0x00DF, 0x73},
    {0x00E0, 0x61},
    {0x00E1, 0x61},
    {0x00E2, 0x61},
    {0x00E3, 0x61},
    {0x00E4, 0x61},
    {0x00E5, 0x61},
    {0x00E6, 0x61},
    {0x00E7, 0x63},
    {0x00E8, 0x65},
    {0x00E9, 0x65},
    {0x00EA, 0x65},
    {0x00EB, 0x65},
    {0x00EC, 0x69},
    {0x00ED, 0x69},
    {0x00EE, 0x69},
    {0x00EF, 0x69},
    {0x00F0, 0x64},
    {0x00F1, 0x6E},
    {0x00F2, 0x6F},
    {0x00F3, 0x6F},
    {0x00F4, 0x6F},
    {0x00F5, 0x6F},
    {0x00F6, 0x6F},
    {0x00F8, 0x6F},
    {0x00F9, 0x75},
    {0x00FA, 0x75},
    {0x00FB, 0x75},
    {0x00FC, 0x75},
    {0x00FD, 0x79},
    {0x00FE, 0x74},
    {0x00FF, 0x79},
    {0x3094, 0x8394},
    // The JIS X 0208 characters in their standard Unicode form (as an EUC-JP page turned
    // into UTF-8 holds them). Windows would drop them; they keep the code their EUC-JP
    // form converts to, so that 〜 survives whichever encoding the wiki serves.
    {0x301C, 0x8160},  // 〜 wave dash
    {0x2016, 0x8161},  // ‖ double vertical line
    {0x2212, 0x817C},  // − minus sign
    {0x2014, 0x815C},  // — em dash
};

// Canonical compositions that matter here: kana with the combining voiced and
// semi-voiced marks (as macOS writes them), and Latin-1 letters with accents.
struct Composition {
    char16_t base;
    char16_t mark;
    char16_t composed;
};
constexpr Composition kCompositions[] = {
    {0x41, 0x300, 0xC0},      {0x45, 0x300, 0xC8},      {0x49, 0x300, 0xCC},
    {0x4F, 0x300, 0xD2},      {0x55, 0x300, 0xD9},      {0x61, 0x300, 0xE0},
    {0x65, 0x300, 0xE8},      {0x69, 0x300, 0xEC},      {0x6F, 0x300, 0xF2},
    {0x75, 0x300, 0xF9},      {0x41, 0x301, 0xC1},      {0x45, 0x301, 0xC9},
    {0x49, 0x301, 0xCD},      {0x4F, 0x301, 0xD3},      {0x55, 0x301, 0xDA},
    {0x59, 0x301, 0xDD},      {0x61, 0x301, 0xE1},      {0x65, 0x301, 0xE9},
    {0x69, 0x301, 0xED},      {0x6F, 0x301, 0xF3},      {0x75, 0x301, 0xFA},
    {0x79, 0x301, 0xFD},      {0x41, 0x302, 0xC2},      {0x45, 0x302, 0xCA},
    {0x49, 0x302, 0xCE},      {0x4F, 0x302, 0xD4},      {0x55, 0x302, 0xDB},
    {0x61, 0x302, 0xE2},      {0x65, 0x302, 0xEA},      {0x69, 0x302, 0xEE},
    {0x6F, 0x302, 0xF4},      {0x75, 0x302, 0xFB},      {0x41, 0x303, 0xC3},
    {0x4E, 0x303, 0xD1},      {0x4F, 0x303, 0xD5},      {0x61, 0x303, 0xE3},
    {0x6E, 0x303, 0xF1},      {0x6F, 0x303, 0xF5},      {0x41, 0x308, 0xC4},
    {0x45, 0x308, 0xCB},      {0x49, 0x308, 0xCF},      {0x4F, 0x308, 0xD6},
    {0x55, 0x308, 0xDC},      {0x61, 0x308, 0xE4},      {0x65, 0x308, 0xEB},
    {0x69, 0x308, 0xEF},      {0x6F, 0x308, 0xF6},      {0x75, 0x308, 0xFC},
    {0x79, 0x308, 0xFF},      {0x41, 0x30A, 0xC5},      {0x61, 0x30A, 0xE5},
    {0x43, 0x327, 0xC7},      {0x63, 0x327, 0xE7},      {0x3046, 0x3099, 0x3094},
    {0x304B, 0x3099, 0x304C}, {0x304D, 0x3099, 0x304E}, {0x304F, 0x3099, 0x3050},
    {0x3051, 0x3099, 0x3052}, {0x3053, 0x3099, 0x3054}, {0x3055, 0x3099, 0x3056},
    {0x3057, 0x3099, 0x3058}, {0x3059, 0x3099, 0x305A}, {0x305B, 0x3099, 0x305C},
    {0x305D, 0x3099, 0x305E}, {0x305F, 0x3099, 0x3060}, {0x3061, 0x3099, 0x3062},
    {0x3064, 0x3099, 0x3065}, {0x3066, 0x3099, 0x3067}, {0x3068, 0x3099, 0x3069},
    {0x306F, 0x3099, 0x3070}, {0x3072, 0x3099, 0x3073}, {0x3075, 0x3099, 0x3076},
    {0x3078, 0x3099, 0x3079}, {0x307B, 0x3099, 0x307C}, {0x309D, 0x3099, 0x309E},
    {0x30A6, 0x3099, 0x30F4}, {0x30AB, 0x3099, 0x30AC}, {0x30AD, 0x3099, 0x30AE},
    {0x30AF, 0x3099, 0x30B0}, {0x30B1, 0x3099, 0x30B2}, {0x30B3, 0x3099, 0x30B4},
    {0x30B5, 0x3099, 0x30B6}, {0x30B7, 0x3099, 0x30B8}, {0x30B9, 0x3099, 0x30BA},
    {0x30BB, 0x3099, 0x30BC}, {0x30BD, 0x3099, 0x30BE}, {0x30BF, 0x3099, 0x30C0},
    {0x30C1, 0x3099, 0x30C2}, {0x30C4, 0x3099, 0x30C5}, {0x30C6, 0x3099, 0x30C7},
    {0x30C8, 0x3099, 0x30C9}, {0x30CF, 0x3099, 0x30D0}, {0x30D2, 0x3099, 0x30D3},
    {0x30D5, 0x3099, 0x30D6}, {0x30D8, 0x3099, 0x30D9}, {0x30DB, 0x3099, 0x30DC},
    {0x30EF, 0x3099, 0x30F7}, {0x30F0, 0x3099, 0x30F8}, {0x30F1, 0x3099, 0x30F9},
    {0x30F2, 0x3099, 0x30FA}, {0x30FD, 0x3099, 0x30FE}, {0x306F, 0x309A, 0x3071},
    {0x3072, 0x309A, 0x3074}, {0x3075, 0x309A, 0x3077}, {0x3078, 0x309A, 0x307A},
    {0x307B, 0x309A, 0x307D}, {0x30CF, 0x309A, 0x30D1}, {0x30D2, 0x309A, 0x30D4},
    {0x30D5, 0x309A, 0x30D7}, {0x30D8, 0x309A, 0x30DA}, {0x30DB, 0x309A, 0x30DD},
};

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    return lines;
}

// Decodes one UTF-8 sequence at s[i] and advances i. A malformed sequence yields
// U+FFFD and consumes its longest valid prefix (at least one byte), as Unicode advises.
char32_t DecodeUtf8(const unsigned char* s, size_t n, size_t& i) {
    const unsigned c = s[i++];
    if (c < 0x80) return c;
    int more;
    char32_t cp;
    unsigned lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        more = 1;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        more = 2;
        cp = c & 0x0F;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        more = 3;
        cp = c & 0x07;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0xFFFD;
    }
    for (; more > 0; --more) {
        if (i >= n) return 0xFFFD;
        const unsigned b = s[i];
        if (b < lo || b > hi) return 0xFFFD;
        lo = 0x80;
        hi = 0xBF;
        cp = (cp << 6) | (b & 0x3F);
        ++i;
    }
    return cp;
}

// Which of several codes that decode to one character Windows writes for it: the JIS
// X 0208 rows first, then the NEC special row 13, then the IBM extensions (0xFA-0xFC),
// last the NEC-selected copies of the IBM extensions (0xED-0xEE).
int Preference(unsigned lead) {
    if (lead == 0x87) return 1;
    if (lead >= 0xFA && lead <= 0xFC) return 2;
    if (lead == 0xED || lead == 0xEE) return 3;
    return 0;
}

// The table of every BMP character, derived once from the platform's code page 932
// decoder: every code the code page decodes, with Windows' choice among duplicates, and
// the Windows extras on top. (Asking iconv to encode instead would also bring in its own
// compatibility guesses, and is slow for the many characters it cannot map.)
std::vector<std::uint16_t> BuildTable() {
    std::vector<std::uint16_t> table(0x10000, kUnmapped);
    for (char32_t cp = 0; cp < 0x80; ++cp) table[cp] = static_cast<std::uint16_t>(cp);

    std::vector<std::uint16_t> probes;
    std::string probeText;
    for (unsigned b = 0xA1; b <= 0xDF; ++b) {
        probes.push_back(static_cast<std::uint16_t>(b));
        probeText += static_cast<char>(b);
        probeText += '\n';
    }
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead <= 0xDF) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            probes.push_back(static_cast<std::uint16_t>((lead << 8) | trail));
            probeText += static_cast<char>(lead);
            probeText += static_cast<char>(trail);
            probeText += '\n';
        }
    }
    const std::string decoded = SjisToUtf8(probeText);
    const std::vector<std::string_view> chars = SplitLines(decoded);
    if (chars.size() == probes.size()) {
        for (int pass = 0; pass <= 3; ++pass) {
            for (size_t i = 0; i < probes.size(); ++i) {
                const std::uint16_t code = probes[i];
                if (Preference(code >> 8) != pass) continue;
                const auto* u = reinterpret_cast<const unsigned char*>(chars[i].data());
                size_t pos = 0;
                if (chars[i].empty()) continue;
                const char32_t cp = DecodeUtf8(u, chars[i].size(), pos);
                if (pos != chars[i].size() || cp == 0xFFFD || cp >= 0x10000) continue;
                if (table[cp] == kUnmapped) table[cp] = code;
            }
        }
    }
    for (const Extra& extra : kWindowsExtras) table[extra.codePoint] = extra.sjis;
    return table;
}

const std::vector<std::uint16_t>& Table() {
    static const std::vector<std::uint16_t> table = BuildTable();  // thread-safe init
    return table;
}

char32_t Compose(char32_t base, char32_t mark) {
    for (const Composition& c : kCompositions) {
        if (c.base == base && c.mark == mark) return c.composed;
    }
    return 0;
}

// True when the bytes at s[i] may start a combining mark that Compose knows.
bool MayStartMark(const unsigned char* s, size_t n, size_t i) {
    if (i >= n) return false;
    if (s[i] == 0xCC) return true;  // U+0300..U+033F
    return s[i] == 0xE3 && i + 2 < n && s[i + 1] == 0x82 && (s[i + 2] == 0x99 || s[i + 2] == 0x9A);
}

void AppendCode(std::uint16_t code, std::string& out) {
    if (code > 0xFF) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8, char defaultChar) {
    const std::vector<std::uint16_t>& table = Table();
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    std::string out;
    out.reserve(n);
    size_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            // A run of ASCII is copied at once; only its last byte may take a combining
            // mark that follows.
            size_t j = i + 1;
            while (j < n && s[j] < 0x80) ++j;
            const size_t plain = MayStartMark(s, n, j) ? j - 1 : j;
            out.append(reinterpret_cast<const char*>(s) + i, plain - i);
            i = plain;
            if (i == j) continue;
        }
        char32_t cp = DecodeUtf8(s, n, i);
        while (MayStartMark(s, n, i)) {
            size_t next = i;
            const char32_t composed = Compose(cp, DecodeUtf8(s, n, next));
            if (composed == 0) break;
            cp = composed;
            i = next;
        }
        const std::uint16_t code = cp < 0x10000 ? table[cp] : kUnmapped;
        if (code == kUnmapped) {
            out += defaultChar;
        } else {
            AppendCode(code, out);
        }
    }
    return out;
}

namespace {

// The single bytes that Windows decodes although the platform's code page 932 table has
// no character for them.
const char* WindowsSingleByte(unsigned char byte) {
    switch (byte) {
        case 0x80:
            return "\xC2\x80";  // U+0080
        case 0xA0:
            return "\xEF\xA3\xB0";  // U+F8F0
        case 0xFD:
            return "\xEF\xA3\xB1";  // U+F8F1
        case 0xFE:
            return "\xEF\xA3\xB2";  // U+F8F2
        case 0xFF:
            return "\xEF\xA3\xB3";  // U+F8F3
        default:
            return nullptr;
    }
}

bool DecodeCp932(std::string_view sjis, bool strict, std::string& out) {
    out.clear();
    std::size_t runStart = 0;
    auto flush = [&](std::size_t end) {
        if (end <= runStart) return true;
        const std::string_view run = sjis.substr(runStart, end - runStart);
        if (strict) {
            std::optional<std::string> utf8 = ConvertCodePageStrict(run, "CP932", "UTF-8");
            if (!utf8) return false;
            out += *utf8;
        } else {
            out += SjisToUtf8(run);
        }
        return true;
    };
    for (std::size_t i = 0; i < sjis.size();) {
        const auto byte = static_cast<unsigned char>(sjis[i]);
        if (IsSjisLeadByte(byte) && i + 1 < sjis.size()) {
            i += 2;  // 0x80 and 0xA0 are ordinary trail bytes here
            continue;
        }
        if (const char* mapped = WindowsSingleByte(byte)) {
            if (!flush(i)) return false;
            out += mapped;
            runStart = ++i;
            continue;
        }
        ++i;
    }
    return flush(sjis.size());
}

}  // namespace

std::string Cp932ToUtf8(std::string_view sjis) {
    std::string out;
    DecodeCp932(sjis, false, out);
    return out;
}

std::optional<std::string> Cp932ToUtf8Strict(std::string_view sjis) {
    std::string out;
    if (!DecodeCp932(sjis, true, out)) return std::nullopt;
    return out;
}

}  // namespace corvane
