#include "platform/profile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "platform/text_codec.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class ProfileTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) { return FromNativePath(m_dir / name); }
    test::ScratchDir m_dir;
};

TEST_F(ProfileTest, ReadingFindsKeysWithoutCaseAndStripsOneQuotePair) {
    WriteFileBytes(m_dir / "a.ini",
                   "; comment\r\n[Other]\r\nHHWPath=wrong\r\n[options]\r\n"
                   "  hhwpath  =  \"C:\\Program Files\\hhc.exe\"  \r\n"
                   "Single='x'\r\nTwice=\"\"y\"\"\r\nOpen=\"z\r\nBlank=\r\nCase=\x83\x5C\r\n"
                   "[Options]\r\nLate=ignored\r\n");
    const std::string file = Path("a.ini");
    EXPECT_EQ(GetPrivateProfileString("Options", "HHWPath", "d", file),
              "C:\\Program Files\\hhc.exe");
    EXPECT_EQ(GetPrivateProfileString("OPTIONS", "single", "d", file), "x");
    EXPECT_EQ(GetPrivateProfileString("Options", "Twice", "d", file), "\"y\"");
    EXPECT_EQ(GetPrivateProfileString("Options", "Open", "d", file), "\"z");
    EXPECT_EQ(GetPrivateProfileString("Options", "Blank", "d", file), "");
    EXPECT_EQ(GetPrivateProfileString("Options", "Case", "d", file), "\x83\x5C");
    // The first section of a name wins, as with the system functions.
    EXPECT_EQ(GetPrivateProfileString("Options", "Late", "d", file), "d");
    EXPECT_EQ(GetPrivateProfileString("Options", "Missing", "def  ", file), "def");
    EXPECT_EQ(GetPrivateProfileString("Nope", "HHWPath", "d", file), "d");
    EXPECT_EQ(GetPrivateProfileString("Options", "HHWPath", "d", Path("none.ini")), "d");
}

TEST_F(ProfileTest, ReadsAreCutToTheBuffer) {
    std::string longValue(300, 'v');
    WriteFileBytes(m_dir / "b.ini",
                   "[S]\nK=\"" + longValue + "\"\nJ=" + std::string(258, 'a') + "\x83\x5C\n");
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", Path("b.ini")), std::string(259, 'v'));
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", Path("b.ini"), 10), std::string(9, 'v'));
    // A double-byte character that does not fit is left out whole.
    EXPECT_EQ(GetPrivateProfileString("S", "J", "", Path("b.ini")), std::string(258, 'a'));
    EXPECT_EQ(GetPrivateProfileString("S", "Missing", longValue, Path("b.ini")),
              std::string(259, 'v'));
}

TEST_F(ProfileTest, IntegersReadLikeTheSystem) {
    WriteFileBytes(m_dir / "c.ini",
                   "[S]\none=1\nword=abc\nneg= -5\nhex=0x1F\nmixed=12ab\nempty=\nquoted=\"7\"\n");
    const std::string file = Path("c.ini");
    EXPECT_EQ(GetPrivateProfileInt("S", "one", 9, file), 1);
    EXPECT_EQ(GetPrivateProfileInt("S", "word", 9, file), 0);
    EXPECT_EQ(GetPrivateProfileInt("S", "neg", 9, file), -5);
    EXPECT_EQ(GetPrivateProfileInt("S", "hex", 9, file), 31);
    EXPECT_EQ(GetPrivateProfileInt("S", "mixed", 9, file), 12);
    EXPECT_EQ(GetPrivateProfileInt("S", "empty", 9, file), 9);
    EXPECT_EQ(GetPrivateProfileInt("S", "quoted", 9, file), 7);
    EXPECT_EQ(GetPrivateProfileInt("S", "missing", 9, file), 9);
}

TEST_F(ProfileTest, WritingKeepsTheRestOfTheFile) {
    const std::string original =
        "; kept\r\n[Recent File "
        "List]\r\nFile1=a.xml\r\n\r\n[Options]\r\nhhwpath=\"old\"\r\nOther=1\r\n\r\n"
        "[Bar]\r\nX=1\r\n";
    WriteFileBytes(m_dir / "d.ini", original);
    const std::string file = Path("d.ini");
    ASSERT_TRUE(WritePrivateProfileString("OPTIONS", "HHWPath", "\"new\"", file));
    ASSERT_TRUE(WritePrivateProfileString("Options", "LastFile", "\"x.xml\"", file));
    ASSERT_TRUE(WritePrivateProfileString("New", "K", "v", file));
    EXPECT_EQ(ReadFileBytes(m_dir / "d.ini"),
              "; kept\r\n[Recent File "
              "List]\r\nFile1=a.xml\r\n\r\n[Options]\r\nhhwpath=\"new\"\r\nOther=1\r\n"
              "LastFile=\"x.xml\"\r\n\r\n[Bar]\r\nX=1\r\n[New]\r\nK=v\r\n");
    EXPECT_EQ(GetPrivateProfileString("Options", "hhwPATH", "", file), "new");

    ASSERT_TRUE(WritePrivateProfileString("Options", "Other", nullptr, file));
    ASSERT_TRUE(WritePrivateProfileString("Bar", nullptr, nullptr, file));
    EXPECT_EQ(ReadFileBytes(m_dir / "d.ini"),
              "; kept\r\n[Recent File List]\r\nFile1=a.xml\r\n\r\n[Options]\r\nhhwpath=\"new\"\r\n"
              "LastFile=\"x.xml\"\r\n\r\n[New]\r\nK=v\r\n");
}

TEST_F(ProfileTest, WritingCreatesTheFileAndFollowsItsLineEnds) {
    ASSERT_TRUE(WritePrivateProfileString("Options", "A", "1", Path("new.ini")));
    EXPECT_EQ(ReadFileBytes(m_dir / "new.ini"), "[Options]\r\nA=1\r\n");

    WriteFileBytes(m_dir / "lf.ini", "[Options]\nA=1");
    ASSERT_TRUE(WritePrivateProfileString("Options", "B", "2", Path("lf.ini")));
    EXPECT_EQ(ReadFileBytes(m_dir / "lf.ini"), "[Options]\nA=1\nB=2\n");

    errno = 0;
    EXPECT_FALSE(WritePrivateProfileString("Options", "A", "1", Path("missing/x.ini")));
    EXPECT_EQ(errno, ENOENT);
}

}  // namespace
}  // namespace corvane
