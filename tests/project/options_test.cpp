#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/system_error.h"
#include "platform/text_codec.h"
#include "project/ini_file.h"
#include "project/options.h"

#include "crawl/build_driver.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class OptionsTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) { return FromNativePath(m_dir / name); }
    test::ScratchDir m_dir;
};

TEST_F(OptionsTest, FirstStartUsesDefaultsAndCreatesTheFile) {
    const std::string ini = Path("sub/corvane.ini");
    COptions options;
    options.LoadOptions(ini);
    EXPECT_EQ(options.m_strHHWPath, "/usr/bin/chmcmd");
    EXPECT_EQ(options.m_bOpenLastFile, 0);
    EXPECT_EQ(options.m_strLastFile, "");

    options.m_bOpenLastFile = 1;
    options.m_strLastFile = "/home/u/\x83\x5C\x83\x74\x83\x67.xml";  // ソフト
    options.SaveOptions(ini);
    EXPECT_EQ(ReadFileBytes(m_dir / "sub/corvane.ini"),
              "[Options]\r\nHHWPath=\"/usr/bin/chmcmd\"\r\nBuiltinCompiler=1\r\nOpenLastFile=1\r\n"
              "LastFile=\"/home/u/\x83\x5C\x83\x74\x83\x67.xml\"\r\n");

    COptions again;
    again.m_strHHWPath = "x";
    again.LoadOptions(ini);
    EXPECT_EQ(again.m_strHHWPath, "/usr/bin/chmcmd");
    EXPECT_EQ(again.m_bOpenLastFile, 1);
    EXPECT_EQ(again.m_strLastFile, options.m_strLastFile);
}

TEST_F(OptionsTest, FreshInstallsUseTheBuiltinCompilerAndOlderFilesKeepTheirs) {
    struct Case {
        const char* name;
        const char* ini;  // nullptr: no options file
        int builtin;
        const char* chosen;
    };
    const Case cases[] = {
        {"fresh install", nullptr, 1, "builtin"},
        {"older file naming chmcmd", "[Options]\r\nHHWPath=\"/opt/chmcmd\"\r\n", 0, "/opt/chmcmd"},
        {"older file without a compiler", "[Options]\r\nOpenLastFile=1\r\n", 1, "builtin"},
        {"outside compiler chosen", "[Options]\r\nHHWPath=\"/x/hhc.exe\"\r\nBuiltinCompiler=0\r\n",
         0, "/x/hhc.exe"},
        {"built-in chosen", "[Options]\r\nHHWPath=\"/opt/chmcmd\"\r\nBuiltinCompiler=1\r\n", 1,
         "builtin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string ini = Path(std::string(c.name) + ".ini");
        if (c.ini != nullptr) WriteFileBytes(m_dir / (std::string(c.name) + ".ini"), c.ini);
        COptions options;
        options.LoadOptions(ini);
        EXPECT_EQ(options.m_bBuiltinCompiler, c.builtin);
        // Saved and read again, the choice stays.
        options.SaveOptions(ini);
        COptions again;
        again.LoadOptions(ini);
        EXPECT_EQ(again.m_bBuiltinCompiler, c.builtin);
        EXPECT_EQ(again.m_strHHWPath, options.m_strHHWPath);
        EXPECT_EQ(ChosenCompiler(again), c.chosen);
    }
}

TEST_F(OptionsTest, HelpFileSwitchesDefaultToSearchOnIndexOffAndAreKeptOnceSet) {
    const std::string ini = Path("h.ini");
    COptions options;
    options.LoadOptions(ini);
    EXPECT_EQ(options.m_bJapaneseSearch, 1);
    EXPECT_EQ(options.m_bKeywordIndex, 0);

    options.m_bJapaneseSearch = 0;
    options.m_bKeywordIndex = 1;
    options.SaveOptions(ini);
    COptions changed;
    changed.LoadOptions(ini);
    EXPECT_EQ(changed.m_bJapaneseSearch, 0);
    EXPECT_EQ(changed.m_bKeywordIndex, 1);

    // Back at the defaults, the keys in the file follow.
    changed.m_bJapaneseSearch = 1;
    changed.m_bKeywordIndex = 0;
    changed.SaveOptions(ini);
    COptions back;
    back.m_bJapaneseSearch = 5;
    back.m_bKeywordIndex = 5;
    back.LoadOptions(ini);
    EXPECT_EQ(back.m_bJapaneseSearch, 1);
    EXPECT_EQ(back.m_bKeywordIndex, 0);
}

TEST_F(OptionsTest, NonNumericFlagReadsAsZeroAndMissingKeysKeepValues) {
    WriteFileBytes(m_dir / "o.ini", "[Options]\r\nOpenLastFile=yes\r\n");
    COptions options;
    options.m_strLastFile = "kept";
    options.m_bOpenLastFile = 1;
    options.LoadOptions(Path("o.ini"));
    EXPECT_EQ(options.m_bOpenLastFile, 0);
    EXPECT_EQ(options.m_strLastFile, "kept");
}

TEST_F(OptionsTest, DownloadLimitsAreReadInMegabytesAndNeverWritten) {
    const std::string ini = Path("corvane.ini");
    COptions defaults;
    defaults.LoadOptions(ini);
    EXPECT_EQ(defaults.m_nMaxPageSize, 64ull << 20);
    EXPECT_EQ(defaults.m_nMaxFileSize, 2048ull << 20);

    WriteFileBytes(m_dir / "corvane.ini", "[Options]\r\nMaxPageSizeMB=3\r\nMaxFileSizeMB=4096\r\n");
    COptions set;
    set.LoadOptions(ini);
    EXPECT_EQ(set.m_nMaxPageSize, 3ull << 20);
    EXPECT_EQ(set.m_nMaxFileSize, 4096ull << 20);  // above 2 GB: no 32-bit overflow

    // 0 lifts a limit; a negative value keeps the default.
    WriteFileBytes(m_dir / "corvane.ini", "[Options]\r\nMaxPageSizeMB=0\r\nMaxFileSizeMB=-5\r\n");
    COptions odd;
    odd.LoadOptions(ini);
    EXPECT_EQ(odd.m_nMaxPageSize, 0u);
    EXPECT_EQ(odd.m_nMaxFileSize, 2048ull << 20);
    odd.SaveOptions(ini);
    // Saving leaves the user's lines as they were.
    const std::string saved = ReadFileBytes(m_dir / "corvane.ini");
    EXPECT_NE(saved.find("MaxFileSizeMB=-5"), std::string::npos);
    EXPECT_EQ(saved.find("MaxFileSizeMB=2048"), std::string::npos);
}

TEST_F(OptionsTest, NumbersThatDoNotReadKeepTheDefaultWithAWarning) {
    // Read as 0, each of these would lift a limit without a word.
    const std::string values[] = {"sixty-four", "",   "-5", "12abc", "99999999999999999999999",
                                  "0x40",       "1e3"};
    const std::string keys[] = {"MaxPageSizeMB", "MaxFileSizeMB", "PageTimeLimitSec", "ProxyPort"};
    for (const std::string& key : keys) {
        for (const std::string& value : values) {
            SCOPED_TRACE(key + "=" + value);
            WriteFileBytes(m_dir / "o.ini", "[Options]\r\n" + key + "=" + value + "\r\n");
            COptions options;
            options.LoadOptions(Path("o.ini"));
            EXPECT_EQ(options.m_nMaxPageSize, 64ull << 20);
            EXPECT_EQ(options.m_nMaxFileSize, 2048ull << 20);
            EXPECT_EQ(options.m_nPageTimeLimit, 300);
            EXPECT_EQ(options.m_nProxyPort, 8080);
            ASSERT_EQ(options.m_warnings.size(), 1u);
            EXPECT_NE(options.m_warnings[0].find(key + "=" + value + " "), std::string::npos)
                << options.m_warnings[0];
        }
    }
    // Numbers in range read, blanks around them aside; 0 still lifts a limit; a control
    // character in a value is shown escaped, never sent to the terminal.
    WriteFileBytes(m_dir / "o.ini",
                   "[Options]\r\nMaxPageSizeMB= 7 \r\nPageTimeLimitSec=0\r\nProxyPort=3128\r\n"
                   "MaxFileSizeMB=1\x1b[2J\r\n");
    COptions good;
    good.LoadOptions(Path("o.ini"));
    EXPECT_EQ(good.m_nMaxPageSize, 7ull << 20);
    EXPECT_EQ(good.m_nPageTimeLimit, 0);
    EXPECT_EQ(good.m_nProxyPort, 3128);
    ASSERT_EQ(good.m_warnings.size(), 1u);
    EXPECT_NE(good.m_warnings[0].find("MaxFileSizeMB=1\\x1B[2J"), std::string::npos)
        << good.m_warnings[0];
    // A second load starts afresh.
    WriteFileBytes(m_dir / "o.ini", "[Options]\r\n");
    good.LoadOptions(Path("o.ini"));
    EXPECT_TRUE(good.m_warnings.empty());
}

// Each number key's range ends where its meaning does: a port is 1 to 65535, a size at most
// a terabyte in megabytes, a time limit at most a week. The values just inside are read, the
// ones just outside keep the default, and the warning names the default that is used.
TEST_F(OptionsTest, NumberKeysReadUpToTheEndsOfTheirRanges) {
    struct Case {
        const char* key;
        const char* value;
        long long read;  // -1: the default is kept with a warning
    };
    const Case cases[] = {
        {"ProxyPort", "1", 1},
        {"ProxyPort", "65535", 65535},
        {"ProxyPort", "0", -1},
        {"ProxyPort", "65536", -1},
        {"ProxyPort", "+80", -1},
        {"ProxyPort", "\t3128\t", 3128},
        {"MaxPageSizeMB", "0", 0},
        {"MaxPageSizeMB", "1048576", 1048576},
        {"MaxPageSizeMB", "1048577", -1},
        {"MaxFileSizeMB", "1048576", 1048576},
        {"MaxFileSizeMB", "1048577", -1},
        {"PageTimeLimitSec", "604800", 604800},
        {"PageTimeLimitSec", "604801", -1},
        {"PageTimeLimitSec", "86401", 86401},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        WriteFileBytes(m_dir / "o.ini",
                       std::string("[Options]\r\n") + c.key + "=" + c.value + "\r\n");
        COptions options;
        options.LoadOptions(Path("o.ini"));
        const std::string key = c.key;
        const long long read = key == "ProxyPort"       ? options.m_nProxyPort
                               : key == "MaxPageSizeMB" ? options.m_nMaxPageSize >> 20
                               : key == "MaxFileSizeMB" ? options.m_nMaxFileSize >> 20
                                                        : options.m_nPageTimeLimit;
        const long long def = key == "ProxyPort"       ? 8080
                              : key == "MaxPageSizeMB" ? 64
                              : key == "MaxFileSizeMB" ? 2048
                                                       : 300;
        EXPECT_EQ(read, c.read < 0 ? def : c.read);
        if (c.read >= 0) {
            EXPECT_TRUE(options.m_warnings.empty());
            continue;
        }
        ASSERT_EQ(options.m_warnings.size(), 1u);
        EXPECT_EQ(options.m_warnings[0],
                  Utf8ToSjis("設定ファイルの " + key + "=" + c.value +
                             " は読めない値です。既定の " + std::to_string(def) + " を使います"));
    }
}

TEST_F(OptionsTest, IniFileTypedValues) {
    CIniFile ini(Path("t.ini"));
    EXPECT_EQ(ini.m_strSection, "Options");
    EXPECT_EQ(ini.WriteDouble("D", 1.5), 1);
    EXPECT_EQ(ini.GetDouble("D", 0), 1.5);
    EXPECT_EQ(ini.GetDouble("NoD", -2.25), -2.25);
    EXPECT_EQ(ini.WriteRect("Bar", CRect{1, 2, 300, 400}), 1);
    EXPECT_EQ(ini.GetRect("Bar", CRect{}), (CRect{1, 2, 300, 400}));
    EXPECT_EQ(ini.GetRect("None", CRect{5, 6, 7, 8}), (CRect{5, 6, 7, 8}));
    EXPECT_EQ(ini.WriteStringList("L", {"a", "b c", "d"}), 1);
    EXPECT_EQ(ini.WriteIntList("N", {3, -1, 40}), 1);
    EXPECT_EQ(ini.GetIntList("N", {}), (std::vector<int>{3, -1, 40}));
    EXPECT_EQ(ini.GetIntList("NoN", {7, 8}), (std::vector<int>{7, 8}));
    EXPECT_EQ(ini.WriteInt("I", -12), 1);
    EXPECT_EQ(ini.GetInt("I", 0), -12);
    EXPECT_EQ(ini.GetInt(std::string("I"), 0L), -12L);
    EXPECT_EQ(
        ReadFileBytes(m_dir / "t.ini"),
        "[Options]\r\nD=\"1.500000\"\r\nBarLeft=1\r\nBarTop=2\r\nBarRight=300\r\nBarBottom=400\r\n"
        "L=\"a,b c,d\"\r\nN=\"3,-1,40\"\r\nI=-12\r\n");

    // Lists: blanks trimmed at both ends only, empty items dropped.
    WriteFileBytes(m_dir / "l.ini", "[Options]\r\nL= \t a,,b , c, \t\r\n");
    CIniFile lists(Path("l.ini"));
    EXPECT_EQ(lists.GetStringList("L", {"x"}), (std::vector<std::string>{"a", "b ", " c"}));
    EXPECT_EQ(lists.GetStringList("None", {"x", "y"}), (std::vector<std::string>{"x", "y"}));
}

TEST_F(OptionsTest, CheckWriteThrowsOnlyWhenAsked) {
    CIniFile ini(Path("missing/t.ini"));
    EXPECT_EQ(ini.WriteString("K", "v"), 0);
    ini.m_bThrowOnWriteError = 1;
    try {
        ini.WriteInt("Key", 1);
        FAIL() << "no error raised";
    } catch (const CSystemError& e) {
        EXPECT_EQ(e.GetMessage(), Path("missing/t.ini") +
                                      Utf8ToSjis("のセクション[Options]、キー[Key]の保存に失敗\n") +
                                      GetErrorText(ENOENT));
    }
    EXPECT_EQ(ini.CheckWrite(1, "K"), 1);
}

TEST_F(OptionsTest, FilesAreFoundBesideTheProgramFirst) {
    const std::string program = Path("bin") + "/";
    const std::string user = Path("config") + "/";
    const std::string data = Path("share") + "/";
    std::filesystem::create_directories(m_dir / "bin");
    // Without a file beside the program the user's folder holds the options.
    EXPECT_EQ(ChooseIniPath(program, user), user + "corvane.ini");
    WriteFileBytes(m_dir / "bin/corvane.ini", "");
    EXPECT_EQ(ChooseIniPath(program, user), program + "corvane.ini");

    EXPECT_EQ(ChooseConfFolder(program, user, data), program + "conf/");
    std::filesystem::create_directories(m_dir / "share/conf");
    EXPECT_EQ(ChooseConfFolder(program, user, data), data + "conf/");
    std::filesystem::create_directories(m_dir / "config/conf");
    EXPECT_EQ(ChooseConfFolder(program, user, data), user + "conf/");
    std::filesystem::create_directories(m_dir / "bin/conf");
    EXPECT_EQ(ChooseConfFolder(program, user, data), program + "conf/");

    // The test program's own folder holds the build's conf/.
    EXPECT_EQ(GetBodyRulesPath(), GetConfFolder() + "body.txt");
    EXPECT_TRUE(std::filesystem::exists(ToNativePath(GetBodyRulesPath())));
    EXPECT_TRUE(std::filesystem::exists(ToNativePath(GetReplaceRulesPath())));
}

}  // namespace
}  // namespace corvane
