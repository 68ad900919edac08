// Window definitions as the project file writes them, and the string table's blocks.
#include "chm/system_files.h"

#include <gtest/gtest.h>

#include "platform/text_codec.h"

namespace corvane {
namespace {

struct WindowCase {
    const char* name;
    const char* line;  // UTF-8, converted to Shift_JIS
    bool ok;
    uint32_t nValid;
    const char* caption;
};

TEST(SystemFilesTest, WindowDefinitionsParseOrAreRefused) {
    const WindowCase cases[] = {
        {"full",
         "main=\"Title\",\"a.hhc\",\"a.hhk\",\"x.html\",\"y.html\",,,,,0x40520,250,0x384E,"
         "[50,50,1010,710],0x10000,0x200,1,0,1,2,0",
         true, 0x2 | 0x4 | 0x8 | 0x10 | 0x20 | 0x40 | 0x100 | 0x200 | 0x400 | 0x2000, "Title"},
        {"only a caption", "w=\"Caption\"", true, 0, "Caption"},
        {"blanks around values", " w = \"C\" , \"a.hhc\" ,,,,,,,, 32 , 100 ", true, 0x2 | 0x20,
         "C"},
        // ソ and 表 end in 0x5C ('\'), ポ in 0x7C: trail bytes never end a value.
        {"Shift_JIS caption", "main=\"ソ表ポ,[\",\"a.hhc\"", true, 0, "ソ表ポ,["},
        {"no name", "=\"Title\"", false, 0, ""},
        {"unclosed quote", "main=\"Title,\"a.hhc\"", false, 0, ""},
        {"unclosed bracket", "main=\"T\",,,,,,,,,0x20,250,0x384E,[50,50,1010", false, 0, ""},
        {"three sides", "main=\"T\",,,,,,,,,,,,[1,2,3]", false, 0, ""},
        {"not a number", "main=\"T\",,,,,,,,,tri-pane", false, 0, ""},
    };
    for (const WindowCase& c : cases) {
        SCOPED_TRACE(c.name);
        CChmWindow window;
        std::string error;
        ASSERT_EQ(ParseWindowDefinition(Utf8ToSjis(c.line), window, error), c.ok) << error;
        if (!c.ok) continue;
        EXPECT_EQ(window.nValid, c.nValid);
        EXPECT_EQ(window.strCaption, Utf8ToSjis(c.caption));
    }
    CChmWindow window;
    std::string error;
    ASSERT_TRUE(ParseWindowDefinition(Utf8ToSjis(cases[0].line), window, error));
    EXPECT_EQ(window.strName, "main");
    EXPECT_EQ(window.strIndex, "a.hhk");
    EXPECT_EQ(window.strHome, "y.html");
    EXPECT_EQ(window.nProperties, 0x40520u);
    EXPECT_EQ(window.nButtons, 0x384Eu);
    EXPECT_EQ(window.rect[2], 1010);
    EXPECT_EQ(window.nExStyles, 0x200u);
    EXPECT_EQ(window.nTabPosition, 2u);
}

TEST(SystemFilesTest, StringsNeverCrossABlockAndRepeatOnce) {
    CChmStringTable table;
    EXPECT_EQ(table.Add(""), 0u);
    const uint32_t first = table.Add("abc");
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(table.Add("abc"), first);
    const std::string long1(3000, 'x'), long2(2000, 'y');
    const uint32_t a = table.Add(long1);
    const uint32_t b = table.Add(long2);
    EXPECT_EQ(a / 4096, (a + long1.size()) / 4096);
    EXPECT_EQ(b, 4096u);  // would have crossed: starts the next block
    EXPECT_EQ(table.GetBytes().substr(b, long2.size() + 1), long2 + '\0');
    EXPECT_EQ(table.GetBytes().substr(first, 4), std::string("abc") + '\0');
}

}  // namespace
}  // namespace corvane
