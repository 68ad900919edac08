#include "text/text_encoding.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "platform/sjis.h"
#include "platform/text_codec.h"
#include "text/cp932_encoder.h"

namespace corvane {
namespace {

bool InRange(unsigned c, unsigned lo, unsigned hi) { return c >= lo && c <= hi; }

// Whether the eight bytes at s[i] are all below 0x80 and none is ESC: pages are mostly
// markup, and such a block changes no score of the detection but ends a katakana run.
bool IsPlainAsciiBlock(const unsigned char* s, std::ptrdiff_t i, std::ptrdiff_t n) {
    if (n - i < 8) return false;
    std::uint64_t word;
    std::memcpy(&word, s + i, sizeof word);
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    const std::uint64_t esc = word ^ (kOnes * 0x1B);
    const bool hasEsc = ((esc - kOnes) & ~esc & kHighBits) != 0;
    return (word & kHighBits) == 0 && !hasEsc;
}

// JIS X 0208 codes whose Shift_JIS code is not the arithmetic one: these symbols take
// their duplicates from the NEC rows, as the EUC-JP pages of Windows users carry them.
struct JisException {
    unsigned jis;
    unsigned sjis;
};
constexpr JisException kJisExceptions[] = {
    {0x2240, 0x879C}, {0x2241, 0x879B}, {0x224C, 0xEEF9}, {0x225C, 0x8797}, {0x225D, 0x8796},
    {0x2261, 0x8791}, {0x2262, 0x8790}, {0x2265, 0x8795}, {0x2268, 0x879A}, {0x2269, 0x8792},
};

void AppendJisPair(unsigned char hi, unsigned char lo, std::string& out) {
    const unsigned code = JisToShiftJis(hi, lo);
    out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

// JIS X 0212 (the supplementary kanji that EUC-JP writes as 0x8F plus two bytes and
// ISO-2022-JP after ESC "$(D") has no Shift_JIS rows. Each character goes through Unicode
// to code page 932, which holds a few hundred of them among its IBM extensions (纊, №);
// the rest become one blank, like any character code page 932 lacks.
constexpr std::uint16_t kNoJis0212 = 0xFFFF;

std::vector<std::uint16_t> BuildJis0212Table() {
    std::vector<std::uint16_t> table(94 * 94, kNoJis0212);
    std::string euc;
    for (unsigned hi = 0; hi < 94; ++hi) {
        for (unsigned lo = 0; lo < 94; ++lo) {
            euc += '\x8F';
            euc += static_cast<char>(0xA1 + hi);
            euc += static_cast<char>(0xA1 + lo);
            euc += '\n';
        }
    }
    const std::string utf8 = ConvertCodePage(euc, "EUC-JP", "UTF-8", "");
    size_t index = 0;
    size_t start = 0;
    std::string sjis;
    for (size_t i = 0; i < utf8.size() && index < table.size(); ++i) {
        if (utf8[i] != '\n') continue;
        const std::string_view one(utf8.data() + start, i - start);
        start = i + 1;
        sjis = Utf8ToCp932(one, '\0');
        if (!one.empty() && sjis.size() <= 2 && sjis.find('\0') == std::string::npos) {
            table[index] =
                sjis.size() == 1
                    ? static_cast<unsigned char>(sjis[0])
                    : static_cast<std::uint16_t>((static_cast<unsigned char>(sjis[0]) << 8) |
                                                 static_cast<unsigned char>(sjis[1]));
        }
        ++index;
    }
    return table;
}

// Appends the code page 932 form of the JIS X 0212 code hi, lo (each 0x21-0x7E).
void AppendJis0212(unsigned char hi, unsigned char lo, std::string& out) {
    static const std::vector<std::uint16_t> table = BuildJis0212Table();  // thread-safe init
    const std::uint16_t code = table[(hi - 0x21) * 94 + (lo - 0x21)];
    if (code == kNoJis0212) {
        out += ' ';
        return;
    }
    if (code > 0xFF) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

}  // namespace

unsigned JisToShiftJis(unsigned char hi, unsigned char lo) {
    const unsigned jis = (static_cast<unsigned>(hi) << 8) | lo;
    for (const JisException& e : kJisExceptions) {
        if (e.jis == jis) return e.sjis;
    }
    unsigned trail;
    if (hi & 1) {
        trail = lo < 0x60 ? lo + 0x1F : lo + 0x20;
    } else {
        trail = lo + 0x7E;
    }
    const unsigned lead = hi <= 0x5E ? ((hi + 1u) >> 1) + 0x70 : ((hi + 1u) >> 1) + 0xB0;
    return (lead << 8) | trail;
}

TextEncoding DetectEncoding(const char* bytes, std::ptrdiff_t length) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    const std::ptrdiff_t n = length;
    if (n >= 2 && s[0] == 0xFF && s[1] == 0xFE) return kEncodingUtf16Le;
    if (n >= 2 && s[0] == 0xFE && s[1] == 0xFF) return kEncodingUtf16Be;
    if (n >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF) return kEncodingUtf8;
    if (n <= 0) return kEncodingAscii;

    // Scores are 64-bit: a few megabytes of error bytes would overflow an int.
    // Shift_JIS: 16 per double-byte character, 7 per half-width katakana.
    long long sjisScore = 0, sjisPenalty = 0;
    long long kanaRun = 0;
    bool allAscii = true;
    bool hasEsc = false;
    for (std::ptrdiff_t i = 0; i < n;) {
        if (IsPlainAsciiBlock(s, i, n)) {
            if (kanaRun == 1) sjisPenalty += 1;
            kanaRun = 0;
            i += 8;
            continue;
        }
        const unsigned c = s[i];
        if (c >= 0x80) allAscii = false;
        if (c == 0x1B) hasEsc = true;
        if (c == 0x8E && i + 2 < n && s[i + 2] == 0x8E && InRange(s[i + 1], 0xA0, 0xDF)) {
            sjisPenalty += 1;  // looks like EUC-JP half-width katakana
        }
        if (InRange(c, 0xA0, 0xDF)) {
            sjisScore += 7;
            ++kanaRun;
            ++i;
            continue;
        }
        if (kanaRun == 1) sjisPenalty += 1;  // a lone half-width katakana
        kanaRun = 0;
        if (IsSjisLeadByte(c) && i + 1 < n && IsSjisTrailByte(s[i + 1])) {
            sjisScore += 16;
            i += 2;
            continue;
        }
        if (c >= 0x80) sjisPenalty += 256;
        ++i;
    }
    if (allAscii) return hasEsc ? kEncodingIso2022Jp : kEncodingAscii;

    // EUC-JP: 16 per double-byte character, 10 per half-width katakana.
    long long eucScore = 0, eucPenalty = 0;
    long long eucKanaRun = 0;
    for (std::ptrdiff_t i = 0; i < n;) {
        if (IsPlainAsciiBlock(s, i, n)) {
            if (eucKanaRun == 1) eucPenalty += 1;
            eucKanaRun = 0;
            i += 8;
            continue;
        }
        const unsigned c = s[i];
        if (c == 0x8E) {
            if (i + 1 < n && InRange(s[i + 1], 0xA0, 0xDF)) {
                eucScore += 10;
                ++eucKanaRun;
                i += 2;
            } else {
                eucPenalty += 256;
                ++i;
            }
            continue;
        }
        if (eucKanaRun == 1) eucPenalty += 1;
        eucKanaRun = 0;
        if (InRange(c, 0xA1, 0xFE)) {
            if (i + 1 < n && InRange(s[i + 1], 0xA1, 0xFE)) {
                eucScore += 16;
                i += 2;
                continue;
            }
            eucPenalty += 256;
        } else if (c == 0x8F) {
            if (i + 2 >= n) {
                eucPenalty += 256;
            } else if (InRange(s[i + 1], 0xA1, 0xFE) && InRange(s[i + 2], 0xA1, 0xFE)) {
                eucScore += 16;
                i += 3;
                continue;
            } else {
                eucPenalty += 100;
            }
        } else if (c >= 0x80) {
            eucPenalty += 256;
        }
        ++i;
    }

    // UTF-8: 10 per two-byte, 15 per three-byte and 20 per four-byte sequence (emoji and
    // the rarer kanji beyond the first plane are UTF-8 as well).
    long long utf8Score = 0, utf8Penalty = 0;
    for (std::ptrdiff_t i = 0; i < n;) {
        if (IsPlainAsciiBlock(s, i, n)) {
            i += 8;
            continue;
        }
        const unsigned c = s[i];
        if (InRange(c, 0xF0, 0xF4)) {
            if (i + 3 >= n) {
                utf8Penalty += 1000;
            } else if (InRange(s[i + 1], 0x80, 0xBF) && InRange(s[i + 2], 0x80, 0xBF) &&
                       InRange(s[i + 3], 0x80, 0xBF)) {
                utf8Score += 20;
                i += 4;
                continue;
            } else {
                utf8Penalty += 1000;
            }
        } else if (InRange(c, 0xC0, 0xDF)) {
            if (i + 1 >= n) {
                utf8Penalty += 1000;
            } else if (InRange(s[i + 1], 0x80, 0xBF)) {
                utf8Score += 10;
                i += 2;
                continue;
            } else {
                utf8Penalty += 100;
            }
        } else if (InRange(c, 0xE0, 0xEF)) {
            if (i + 2 >= n) {
                utf8Penalty += 1000;
            } else if (InRange(s[i + 1], 0x80, 0xBF) && InRange(s[i + 2], 0x80, 0xBF)) {
                utf8Score += 15;
                i += 3;
                continue;
            } else {
                utf8Penalty += 1000;
            }
        } else if (c >= 0x80) {
            utf8Penalty += 1000;
        }
        ++i;
    }

    const long long sj = sjisScore - sjisPenalty;
    const long long euc = eucScore - eucPenalty;
    const long long u8 = utf8Score - utf8Penalty;
    if (sj == euc) return kEncodingUndetermined;
    if (sj > euc) {
        if (sj > u8) return kEncodingShiftJis;
        return sj < u8 ? kEncodingUtf8 : kEncodingUndetermined;
    }
    if (euc > u8) return kEncodingEucJp;
    return euc < u8 ? kEncodingUtf8 : kEncodingUndetermined;
}

std::string EucJpToShiftJis(std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n;) {
        const unsigned c = s[i];
        if (InRange(c, 0xA1, 0xFE) && i + 1 < n && InRange(s[i + 1], 0xA1, 0xFE)) {
            AppendJisPair(static_cast<unsigned char>(c & 0x7F),
                          static_cast<unsigned char>(s[i + 1] & 0x7F), out);
            i += 2;
        } else if (c == 0x8E && i + 1 < n && InRange(s[i + 1], 0xA0, 0xDF)) {
            out += static_cast<char>(s[i + 1]);  // half-width katakana
            i += 2;
        } else if (c == 0x8F && i + 2 < n && InRange(s[i + 1], 0xA1, 0xFE) &&
                   InRange(s[i + 2], 0xA1, 0xFE)) {
            // Read as a JIS X 0208 pair, these bytes would give a wrong kanji after a stray
            // lead byte 0x8F that swallows the next character.
            AppendJis0212(static_cast<unsigned char>(s[i + 1] & 0x7F),
                          static_cast<unsigned char>(s[i + 2] & 0x7F), out);
            i += 3;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
    return out;
}

std::string Iso2022JpToShiftJis(std::string_view text) {
    enum Mode { kAscii, kDoubleByte, kKatakana, kSupplement };
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    std::string out;
    out.reserve(n);
    Mode mode = kAscii;
    for (size_t i = 0; i < n;) {
        const size_t left = n - i;
        const unsigned c = s[i];
        if (c == 0x1B && left >= 3 && s[i + 1] == '$' && (s[i + 2] == '@' || s[i + 2] == 'B')) {
            mode = kDoubleByte;
            i += 3;
            continue;
        }
        if (c == 0x1B && left >= 4 && s[i + 1] == '$' && s[i + 2] == '(' && s[i + 3] == 'O') {
            mode = kDoubleByte;
            i += 4;
            continue;
        }
        // JIS X 0212 (ISO-2022-JP-1); left alone, its escape and pairs would pass as text.
        if (c == 0x1B && left >= 4 && s[i + 1] == '$' && s[i + 2] == '(' && s[i + 3] == 'D') {
            mode = kSupplement;
            i += 4;
            continue;
        }
        if (c == 0x1B && left >= 3 && s[i + 1] == '(') {
            const unsigned f = s[i + 2];
            if (f == 'B' || f == 'J' || f == 'I') {
                mode = f == 'I' ? kKatakana : kAscii;
                i += 3;
                continue;
            }
        }
        if (c == 0x0E || c == 0x0F) {
            mode = c == 0x0E ? kKatakana : kAscii;
            ++i;
            continue;
        }
        if ((mode == kDoubleByte || mode == kSupplement) && InRange(c, 0x21, 0x7E) && left >= 2 &&
            InRange(s[i + 1], 0x21, 0x7E)) {
            if (mode == kDoubleByte) {
                AppendJisPair(static_cast<unsigned char>(c), s[i + 1], out);
            } else {
                AppendJis0212(static_cast<unsigned char>(c), s[i + 1], out);
            }
            i += 2;
            continue;
        }
        if (mode == kKatakana && InRange(c, 0x20, 0x5F)) {
            out += static_cast<char>(c | 0x80);
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    return out;
}

bool IsValidIn(std::string_view text, TextEncoding encoding) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    const auto trail = [&](std::size_t at, unsigned lo, unsigned hi) {
        return at < n && InRange(s[at], lo, hi);
    };
    for (std::size_t i = 0; i < n;) {
        const unsigned c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        switch (encoding) {
            case kEncodingUtf8:
                // Shortest forms only, no surrogates, nothing beyond U+10FFFF.
                if (InRange(c, 0xC2, 0xDF)) {
                    len = trail(i + 1, 0x80, 0xBF) ? 2 : 0;
                } else if (InRange(c, 0xE0, 0xEF)) {
                    const unsigned lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
                    len = trail(i + 1, lo, hi) && trail(i + 2, 0x80, 0xBF) ? 3 : 0;
                } else if (InRange(c, 0xF0, 0xF4)) {
                    const unsigned lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
                    len =
                        trail(i + 1, lo, hi) && trail(i + 2, 0x80, 0xBF) && trail(i + 3, 0x80, 0xBF)
                            ? 4
                            : 0;
                }
                break;
            case kEncodingEucJp:
                if (c == 0x8E) {
                    len = trail(i + 1, 0xA1, 0xDF) ? 2 : 0;
                } else if (c == 0x8F) {
                    len = trail(i + 1, 0xA1, 0xFE) && trail(i + 2, 0xA1, 0xFE) ? 3 : 0;
                } else if (InRange(c, 0xA1, 0xFE)) {
                    len = trail(i + 1, 0xA1, 0xFE) ? 2 : 0;
                }
                break;
            case kEncodingShiftJis:
                if (InRange(c, 0xA1, 0xDF)) {
                    len = 1;
                } else if (IsSjisLeadByte(static_cast<unsigned char>(c))) {
                    len = i + 1 < n && IsSjisTrailByte(s[i + 1]) ? 2 : 0;
                }
                break;
            default:
                break;  // ISO-2022-JP is 7-bit; other encodings are never declared
        }
        if (len == 0) return false;
        i += len;
    }
    return encoding == kEncodingUtf8 || encoding == kEncodingEucJp ||
           encoding == kEncodingShiftJis || encoding == kEncodingIso2022Jp;
}

std::string ConvertToShiftJis(std::string_view text) {
    return ConvertToShiftJis(text, DetectEncoding(text));
}

std::string ConvertToShiftJis(std::string_view text, TextEncoding encoding) {
    try {
        switch (encoding) {
            case kEncodingEucJp:
                return EucJpToShiftJis(text);
            case kEncodingIso2022Jp:
                return Iso2022JpToShiftJis(text);
            case kEncodingUtf8:
                // The byte-order mark only names the encoding; it is no text of the page.
                if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
                return Utf8ToCp932(text);
            default:
                return std::string(text);
        }
    } catch (const std::bad_alloc&) {
        return std::string(text);
    }
}

}  // namespace corvane
