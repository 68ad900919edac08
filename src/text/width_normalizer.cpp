#include "text/width_normalizer.h"

#include <cstdint>
#include <unordered_map>

#include "platform/sjis.h"

namespace corvane {
namespace {

// For each half-width katakana 0xA1..0xDD: its full-width letter, the letter with the
// voiced mark 0xDE and the letter with the semi-voiced mark 0xDF (0: none in code page 932).
struct KanaEntry {
    std::uint16_t plain;
    std::uint16_t voiced;
    std::uint16_t semiVoiced;
};
constexpr KanaEntry kKana[0xDD - 0xA1 + 1] = {
    {0x8142, 0, 0},            // A1 。
    {0x8175, 0, 0},            // A2 「
    {0x8176, 0, 0},            // A3 」
    {0x8141, 0, 0},            // A4 、
    {0x8145, 0, 0},            // A5 ・
    {0x8392, 0, 0},            // A6 ヲ
    {0x8340, 0, 0},            // A7 ァ
    {0x8342, 0, 0},            // A8 ィ
    {0x8344, 0, 0},            // A9 ゥ
    {0x8346, 0, 0},            // AA ェ
    {0x8348, 0, 0},            // AB ォ
    {0x8383, 0, 0},            // AC ャ
    {0x8385, 0, 0},            // AD ュ
    {0x8387, 0, 0},            // AE ョ
    {0x8362, 0, 0},            // AF ッ
    {0x815B, 0, 0},            // B0 ー
    {0x8341, 0, 0},            // B1 ア
    {0x8343, 0, 0},            // B2 イ
    {0x8345, 0x8394, 0},       // B3 ウ ヴ
    {0x8347, 0, 0},            // B4 エ
    {0x8349, 0, 0},            // B5 オ
    {0x834A, 0x834B, 0},       // B6 カ ガ
    {0x834C, 0x834D, 0},       // B7 キ ギ
    {0x834E, 0x834F, 0},       // B8 ク グ
    {0x8350, 0x8351, 0},       // B9 ケ ゲ
    {0x8352, 0x8353, 0},       // BA コ ゴ
    {0x8354, 0x8355, 0},       // BB サ ザ
    {0x8356, 0x8357, 0},       // BC シ ジ
    {0x8358, 0x8359, 0},       // BD ス ズ
    {0x835A, 0x835B, 0},       // BE セ ゼ
    {0x835C, 0x835D, 0},       // BF ソ ゾ
    {0x835E, 0x835F, 0},       // C0 タ ダ
    {0x8360, 0x8361, 0},       // C1 チ ヂ
    {0x8363, 0x8364, 0},       // C2 ツ ヅ
    {0x8365, 0x8366, 0},       // C3 テ デ
    {0x8367, 0x8368, 0},       // C4 ト ド
    {0x8369, 0, 0},            // C5 ナ
    {0x836A, 0, 0},            // C6 ニ
    {0x836B, 0, 0},            // C7 ヌ
    {0x836C, 0, 0},            // C8 ネ
    {0x836D, 0, 0},            // C9 ノ
    {0x836E, 0x836F, 0x8370},  // CA ハ バ パ
    {0x8371, 0x8372, 0x8373},  // CB ヒ ビ ピ
    {0x8374, 0x8375, 0x8376},  // CC フ ブ プ
    {0x8377, 0x8378, 0x8379},  // CD ヘ ベ ペ
    {0x837A, 0x837B, 0x837C},  // CE ホ ボ ポ
    {0x837D, 0, 0},            // CF マ
    {0x837E, 0, 0},            // D0 ミ
    {0x8380, 0, 0},            // D1 ム
    {0x8381, 0, 0},            // D2 メ
    {0x8382, 0, 0},            // D3 モ
    {0x8384, 0, 0},            // D4 ヤ
    {0x8386, 0, 0},            // D5 ユ
    {0x8388, 0, 0},            // D6 ヨ
    {0x8389, 0, 0},            // D7 ラ
    {0x838A, 0, 0},            // D8 リ
    {0x838B, 0, 0},            // D9 ル
    {0x838C, 0, 0},            // DA レ
    {0x838D, 0, 0},            // DB ロ
    {0x838F, 0, 0},            // DC ワ
    {0x8393, 0, 0},            // DD ン
};

// The half-width form of double-byte characters, as the locale's half-width mapping
// gives it after the round trip through code page 932.
std::unordered_map<std::uint16_t, std::string> BuildHalfWidthMap() {
    std::unordered_map<std::uint16_t, std::string> map;
    map[0x8140] = " ";  // ideographic space
    // Full-width ASCII variants U+FF01..U+FF5E, in code point order.
    const std::uint16_t ascii[] = {
        0x8149, 0xFA57, 0x8194, 0x8190, 0x8193, 0x8195, 0xFA56, 0x8169, 0x816A, 0x8196, 0x817B,
        0x8143, 0x817C, 0x8144, 0x815E, 0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255,
        0x8256, 0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148, 0x8197, 0x8260,
        0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266, 0x8267, 0x8268, 0x8269, 0x826A, 0x826B,
        0x826C, 0x826D, 0x826E, 0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276,
        0x8277, 0x8278, 0x8279, 0x816D, 0x815F, 0x816E, 0x814F, 0x8151, 0x814D, 0x8281, 0x8282,
        0x8283, 0x8284, 0x8285, 0x8286, 0x8287, 0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D,
        0x828E, 0x828F, 0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297, 0x8298,
        0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8160,
    };
    for (unsigned k = 0; k < sizeof ascii / sizeof ascii[0]; ++k) {
        map[ascii[k]] = std::string(1, static_cast<char>(0x21 + k));
    }
    map[0xEEFC] = "\"";  // NEC-selected duplicates of ＂ and ＇
    map[0xEEFB] = "'";
    // ￥ and ￤ become ¥ and ¦, which code page 932 writes as \ and |; ￢ becomes ¬,
    // which it writes as the full-width sign again (its JIS code).
    map[0x818F] = "\\";
    map[0xFA55] = "|";
    map[0xEEFA] = "|";
    map[0xFA54] = "\x81\xCA";
    map[0xEEF9] = "\x81\xCA";
    // Katakana and Japanese punctuation become half-width; voiced letters take two bytes.
    for (unsigned b = 0xA1; b <= 0xDD; ++b) {
        const KanaEntry& e = kKana[b - 0xA1];
        map[e.plain] = std::string(1, static_cast<char>(b));
        if (e.voiced) map[e.voiced] = std::string{static_cast<char>(b), '\xDE'};
        if (e.semiVoiced) map[e.semiVoiced] = std::string{static_cast<char>(b), '\xDF'};
    }
    map[0x814A] = "\xDE";  // ゛
    map[0x814B] = "\xDF";  // ゜
    return map;
}

std::string ToHalfWidth(std::string_view text) {
    static const std::unordered_map<std::uint16_t, std::string> map = BuildHalfWidthMap();
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsSjisLeadByte(c) && i + 1 < text.size() &&
            IsSjisTrailByte(static_cast<unsigned char>(text[i + 1]))) {
            const auto code =
                static_cast<std::uint16_t>((c << 8) | static_cast<unsigned char>(text[i + 1]));
            const auto it = map.find(code);
            if (it != map.end()) {
                out += it->second;
            } else {
                out.append(text.substr(i, 2));
            }
            i += 2;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
    return out;
}

// The full-width code for the half-width katakana at the start of `text` (with a
// following voiced mark composed), and how many bytes it takes; 0 when none starts there.
unsigned FullWidthKatakana(std::string_view text, size_t& consumed) {
    consumed = 0;
    if (text.empty()) return 0;
    const auto b = static_cast<unsigned char>(text[0]);
    if (b < 0xA1 || b > 0xDD) return 0;
    const KanaEntry& e = kKana[b - 0xA1];
    if (text.size() >= 2) {
        const auto mark = static_cast<unsigned char>(text[1]);
        if (mark == 0xDE && e.voiced) {
            consumed = 2;
            return e.voiced;
        }
        if (mark == 0xDF && e.semiVoiced) {
            consumed = 2;
            return e.semiVoiced;
        }
    }
    consumed = 1;
    return e.plain;
}

}  // namespace

std::string NormalizeWidth(std::string_view text) {
    const std::string half = ToHalfWidth(text);
    std::string out;
    out.reserve(half.size() + half.size() / 2);
    for (size_t i = 0; i < half.size();) {
        const auto c = static_cast<unsigned char>(half[i]);
        if (IsSjisLeadByte(c) && i + 1 < half.size() &&
            IsSjisTrailByte(static_cast<unsigned char>(half[i + 1]))) {
            out.append(half, i, 2);
            i += 2;
            continue;
        }
        size_t consumed = 0;
        const unsigned full = FullWidthKatakana(std::string_view(half).substr(i), consumed);
        if (full != 0) {
            out += static_cast<char>(full >> 8);
            out += static_cast<char>(full & 0xFF);
            i += consumed;
        } else {
            out += static_cast<char>(c);
            ++i;
        }
    }
    return out;
}

}  // namespace corvane
