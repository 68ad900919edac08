#include "chm/objinst_writer.h"
#include "chm/le_append.h"

#include "platform/ascii.h"
#include "platform/sjis.h"

namespace corvane {
namespace {

// A class id in its stored form.
void AppendGuid(std::string& b, uint32_t d1, uint16_t d2, uint16_t d3, const char (&d4)[9]) {
    Append32(b, d1);
    Append16(b, d2);
    Append16(b, d3);
    b.append(d4, 8);
}

constexpr uint32_t kCodePage = 932;
constexpr uint32_t kLcid = 0x411;
// Breaker flags of Japanese help files: no stemming.
constexpr uint32_t kBreakerFlags = 3;

// One row of the byte table: class, sort weight, the byte as the breaker folds it, the byte,
// and the byte twice more as its display forms.
void AppendRow(std::string& b, unsigned int c) {
    uint16_t cls = 0;
    unsigned char folded = static_cast<unsigned char>(c);
    if (c >= 'A' && c <= 'Z') {
        cls = 2;
        folded = static_cast<unsigned char>(AsciiLower(static_cast<char>(c)));
    } else if (c >= 'a' && c <= 'z') {
        cls = 1;
    } else if (c >= '0' && c <= '9') {
        cls = 3;
    } else if (c == 0x01) {
        cls = 7;
    } else if (c == '\'') {
        cls = 6;
    } else if (c == '*' || c == '?') {
        cls = 9;  // wildcards of a query
    } else if (IsSjisLeadByte(static_cast<unsigned char>(c))) {
        cls = kObjInstLeadByteClass;
    } else if (c >= 0xA1 && c <= 0xDF) {
        cls = kObjInstKatakanaClass;
    }
    Append16(b, cls);
    Append16(b, c * 5);
    b += static_cast<char>(folded);
    b += static_cast<char>(c);
    b += static_cast<char>(c);
    b += static_cast<char>(c);
    Append16(b, 0);
}

}  // namespace

std::string BuildJapaneseObjInst() {
    std::string breaker;
    AppendGuid(breaker, 0x4662DAAF, 0xD393, 0x11D0, "\x9A\x56\x00\xC0\x4F\xB6\x8B\xF7");
    Append32(breaker, 0x04000000);
    Append32(breaker, kBreakerFlags);
    Append32(breaker, kCodePage);
    Append32(breaker, kLcid);
    Append32(breaker, 0);
    Append32(breaker, 0);
    Append32(breaker, 0x00145555);
    Append32(breaker, 0x00000A0F);
    Append16(breaker, 0x0100);
    Append32(breaker, 0x00030005);
    for (int i = 0; i < 6; ++i) Append32(breaker, 0);
    Append16(breaker, 0);
    for (unsigned int c = 0; c < 256; ++c) AppendRow(breaker, c);

    std::string second;
    AppendGuid(second, 0x4662DAB0, 0xD393, 0x11D0, "\x9A\x56\x00\xC0\x4F\xB6\x8B\x66");
    Append32(second, 666);
    Append32(second, kCodePage);
    Append32(second, kLcid);
    Append32(second, 10031);
    Append32(second, 0);

    std::string out;
    Append32(out, 0x04000000);
    Append32(out, 2);
    const uint32_t first = 24;
    Append32(out, first);
    Append32(out, static_cast<uint32_t>(breaker.size()));
    Append32(out, first + static_cast<uint32_t>(breaker.size()));
    Append32(out, static_cast<uint32_t>(second.size()));
    return out + breaker + second;
}

}  // namespace corvane
