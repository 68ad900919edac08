// Guesses the Japanese encoding of a byte string and turns EUC-JP, ISO-2022-JP and UTF-8
// text into Shift_JIS (code page 932), so that the page conversion sees one encoding.
// Free functions without state: safe from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

enum TextEncoding : int {
    kEncodingUndetermined = 0,
    kEncodingAscii = 1,  // no byte of 0x80 or above, no ESC
    kEncodingShiftJis = 2,
    kEncodingEucJp = 3,
    kEncodingIso2022Jp = 4,  // 7-bit with escape sequences
    kEncodingUtf8 = 5,
    kEncodingUtf16Le = 6,  // byte-order mark FF FE
    kEncodingUtf16Be = 7,  // byte-order mark FE FF
};

// Scores the bytes as Shift_JIS, EUC-JP and UTF-8 and returns the best guess.
TextEncoding DetectEncoding(const char* bytes, std::ptrdiff_t length);
inline TextEncoding DetectEncoding(std::string_view text) {
    return DetectEncoding(text.data(), static_cast<std::ptrdiff_t>(text.size()));
}

// Whether every byte of `text` belongs to a whole character of `encoding` (UTF-8,
// EUC-JP, Shift_JIS/code page 932 or 7-bit ISO-2022-JP); false for any other encoding.
// A page's declared charset is believed only when its bytes pass this.
bool IsValidIn(std::string_view text, TextEncoding encoding);

// Detects the encoding and converts EUC-JP, ISO-2022-JP and UTF-8 text to Shift_JIS;
// every other text (ASCII, Shift_JIS, UTF-16, undetermined) is returned unchanged.
std::string ConvertToShiftJis(std::string_view text);
// The same for text whose encoding is already known (a result of DetectEncoding).
std::string ConvertToShiftJis(std::string_view text, TextEncoding encoding);

// The single conversions, without detection.
std::string EucJpToShiftJis(std::string_view text);
std::string Iso2022JpToShiftJis(std::string_view text);

// The Shift_JIS code (lead << 8 | trail) of a JIS X 0208 code (row and cell 0x21-0x7E).
unsigned JisToShiftJis(unsigned char hi, unsigned char lo);

}  // namespace corvane
