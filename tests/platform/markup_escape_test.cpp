// The edges of the escapes for markup and for line-based output: what counts as a character
// reference that markup keeps, and which bytes are control characters.
#include "platform/markup_escape.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/control_chars.h"

namespace corvane {
namespace {

TEST(MarkupEscapeTest, OnlyWholeReferencesOfTheirOwnShapeAreKept) {
    const std::string name32(32, 'n');
    const struct {
        std::string in, out;
    } cases[] = {
        {"&#x1F;&#X1f;&#xAbCdEf;&#0;", "&#x1F;&#X1f;&#xAbCdEf;&#0;"},
        // Hexadecimal digits stop at "f"; decimal ones take no letters; names take no blanks.
        {"&#xG1;", "&amp;#xG1;"},
        {"&#x1g;", "&amp;#x1g;"},
        {"&#1F;", "&amp;#1F;"},
        {"&a b;", "&amp;a b;"},
        // A quote or a tag inside what looks like a reference still cannot end the value.
        {"&a\"b;", "&amp;a&quot;b;"},
        {"&a<b;", "&amp;a&lt;b;"},
        // Names are at most 32 characters.
        {"&" + name32 + ";", "&" + name32 + ";"},
        {"&" + name32 + "n;", "&amp;" + name32 + "n;"},
        {"&amp;&", "&amp;&amp;"},
        {"\x83\x5C&amp;\x83\x7C&", "\x83\x5C&amp;\x83\x7C&amp;"},
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeMarkupKeepingReferences(c.in), c.out) << c.in;
}

TEST(ControlCharsTest, EveryByteBelowABlankAndDeleteAreShownAsHex) {
    const struct {
        std::string in;
        bool bControl;
        std::string shown;
    } cases[] = {
        {"\x01\x1f", true, "\\x01\\x1F"},
        {"a\x7f", true, "a\\x7F"},
        {"a\r\n", true, "a\\x0D\\x0A"},
        // Blanks, "~", a backslash (maybe a trail byte) and bytes above 0x7F are text.
        {" ~\\", false, " ~\\"},
        {"\x80\xA0\xFF", false, "\x80\xA0\xFF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HasControlCharacter(c.in), c.bControl) << c.shown;
        EXPECT_EQ(ShowControlCharacters(c.in), c.shown) << c.shown;
    }
}

}  // namespace
}  // namespace corvane
