// Window definitions as the project file writes them, and the string table's blocks.
#include "chm/system_files.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

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

uint32_t Get32(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b.at(at + i));
    return v;
}

// #SYSTEM's records by code: code and length (16 bits each), then the data.
std::map<uint32_t, std::string> SystemRecords(const std::string& system) {
    std::map<uint32_t, std::string> records;
    EXPECT_EQ(Get32(system, 0), 3u);
    size_t at = 4;
    while (at + 4 <= system.size()) {
        const uint32_t code = Get32(system, at) & 0xFFFF, length = Get32(system, at) >> 16;
        records[code] = system.substr(at + 4, length);
        at += 4 + length;
    }
    EXPECT_EQ(at, system.size());
    return records;
}

TEST(SystemFilesTest, TheSystemFileFlagsDoubleByteLocalesAndDatesTheFile) {
    // The viewer reads text byte by byte unless the locale is flagged double-byte.
    for (const auto& [lcid, dbcs] : std::vector<std::pair<uint32_t, uint32_t>>{
             {0x411, 1}, {0x412, 1}, {0x804, 1}, {0x404, 1}, {0x409, 0}, {0x407, 0}}) {
        CChmSystemInfo info;
        info.nLcid = lcid;
        info.nTimestamp = 0;
        auto records = SystemRecords(BuildSystemFile(info));
        ASSERT_EQ(records[4].size(), 36u);
        EXPECT_EQ(Get32(records[4], 0), lcid);
        EXPECT_EQ(Get32(records[4], 4), dbcs) << std::hex << lcid;
        EXPECT_EQ(Get32(records[4], 8), 0u);  // no full-text search
        // 1970-01-01 as a FILETIME: 100-nanosecond steps since 1601.
        EXPECT_EQ(Get32(records[4], 20), 0xD53E8000u);
        EXPECT_EQ(Get32(records[4], 24), 0x019DB1DEu);
    }
    CChmSystemInfo info;
    info.nTimestamp = 0x5F5E1000;
    info.bFullTextSearch = true;
    info.strTitle = "T";
    auto records = SystemRecords(BuildSystemFile(info));
    EXPECT_EQ(records[10], std::string("\x00\x10\x5E\x5F", 4));
    EXPECT_EQ(records[9], std::string("HHA Version 4.74.8702") + '\0');
    EXPECT_EQ(Get32(records[4], 8), 1u);
    EXPECT_EQ(records[3], std::string("T") + '\0');
    // Texts left empty have no record at all.
    EXPECT_EQ(records.count(0), 0u);
    EXPECT_EQ(records.count(16), 0u);
    EXPECT_EQ(records[7], std::string(4, '\0'));
}

TEST(SystemFilesTest, TopicTablesKeepEveryEntryInsideItsBlock) {
    // 341 entries of #URLTBL fill a 4096-byte block; names in #URLSTR never cross one.
    std::vector<CChmTopicEntry> topics;
    for (int i = 0; i < 700; ++i) {
        topics.push_back({"page" + std::to_string(i) + std::string(40 + i % 23, 'x') + ".html",
                          i % 3 == 0 ? "" : "Title " + std::to_string(i)});
    }
    CChmStringTable strings;
    const CChmTopicFiles files = BuildTopicFiles(topics, strings);
    ASSERT_EQ(files.strTopics.size(), 700u * 16);
    EXPECT_EQ(files.strUrlTbl.size(), 700u * 12 + 4 * (700 / 341));
    for (uint32_t i = 0; i < topics.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string topic = files.strTopics.substr(16 * i, 16);
        const uint32_t tbl = Get32(topic, 8);
        EXPECT_EQ(tbl, 4096 * (i / 341) + 12 * (i % 341));
        EXPECT_EQ(Get32(topic, 12), 6u);
        if (topics[i].strTitle.empty()) {
            EXPECT_EQ(Get32(topic, 4), 0xFFFFFFFFu);
        } else {
            const uint32_t title = Get32(topic, 4);
            EXPECT_EQ(strings.GetBytes().substr(title, topics[i].strTitle.size() + 1),
                      topics[i].strTitle + '\0');
        }
        EXPECT_EQ(Get32(files.strUrlTbl, tbl + 4), i);
        const uint32_t str = Get32(files.strUrlTbl, tbl + 8);
        const size_t length = topics[i].strLocal.size();
        EXPECT_EQ(str / 4096, (str + 8 + length) / 4096);
        EXPECT_EQ(files.strUrlStr.substr(str, 8), std::string(8, '\0'));
        EXPECT_EQ(files.strUrlStr.substr(str + 8, length + 1), topics[i].strLocal + '\0');
    }
    const std::string idx = BuildIdxHdr(700, true);
    ASSERT_EQ(idx.size(), 4096u);
    EXPECT_EQ(idx.substr(0, 4), "T#SM");
    EXPECT_EQ(Get32(idx, 0x0C), 700u);
    EXPECT_EQ(Get32(idx, 0x1C), 1u);
    EXPECT_EQ(Get32(BuildIdxHdr(1, false), 0x1C), 0u);
}

TEST(SystemFilesTest, WindowPositionsAndNumbersReadSignsAndRefuseWhatDoesNotFit) {
    CChmWindow window;
    std::string error;
    ASSERT_TRUE(ParseWindowDefinition("w=\"T\",,,,,,,,,0X2a,,,[-10, 0x10,800,-1]", window, error))
        << error;
    EXPECT_EQ(window.nProperties, 0x2Au);
    EXPECT_EQ(window.rect[0], -10);
    EXPECT_EQ(window.rect[1], 16);
    EXPECT_EQ(window.rect[3], -1);
    EXPECT_EQ(window.nValid, 0x2u | 0x10u);
    for (const char* bad :
         {"w=\"T\",,,,,,,,,0x100000000", "w=\"T\",,,,,,,,,0x", "w=\"T\",,,,,,,,,12ab",
          "w=\"T\",,,,,,,,,,,,[1,2,3,4,5]", "w=\"T\",,,,,,,,,,,,[1,2,x,4]"}) {
        EXPECT_FALSE(ParseWindowDefinition(bad, window, error)) << bad;
    }
}

}  // namespace
}  // namespace corvane
