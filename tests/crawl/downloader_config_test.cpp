#include <gtest/gtest.h>

#include "crawl/downloader_config.h"
#include "crawl/output_file.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

TEST(DownloaderConfigTest, DefaultsOfTheEngine) {
    CDownloaderConfig config;
    EXPECT_EQ(config.m_nSendTimeout, 1000);
    EXPECT_EQ(config.m_nThreadCount, 5);
    EXPECT_EQ(config.m_nStopTimeout, 300000);
    EXPECT_EQ(config.m_nInterval, 10);
    EXPECT_EQ(config.GetWaitForNewPages(), 0);
}

TEST(OutputFileTest, WritesInsideTheFolderOnly) {
    test::ScratchDir dir;
    const std::string folder = dir.path().string() + "/out/";
    const std::vector<char> body = {'a', 'b', '\0', 'c'};

    EXPECT_TRUE(WriteOutputFile(folder, "sub/page.html", body));
    EXPECT_EQ(test::ReadFileBytes(dir / "out/sub/page.html"), std::string("ab\0c", 4));
    EXPECT_TRUE(WriteOutputFile(folder, "sub/page.html", {'x'}));  // truncated, not appended
    EXPECT_EQ(test::ReadFileBytes(dir / "out/sub/page.html"), "x");
    // A file that cannot be created (a folder holds its name) is no success.
    EXPECT_FALSE(WriteOutputFile(folder, "sub", body));

    for (const char* bad : {"../escape.html", "a/../../escape.html", "a\\..\\..\\escape.html",
                            "/tmp/escape.html", "\\escape.html", "C:escape.html", "..", ""}) {
        EXPECT_FALSE(IsSafeLocalName(bad)) << bad;
        EXPECT_FALSE(WriteOutputFile(folder, bad, body)) << bad;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "escape.html"));
    // Dots inside a name are no parent reference.
    EXPECT_TRUE(IsSafeLocalName("a..b.html"));
    EXPECT_TRUE(IsSafeLocalName("...html"));
}

TEST(OutputFileTest, AStreamMakesItsFoldersAndPutsTheFileInPlaceOnlyOnCommit) {
    test::ScratchDir dir;
    const std::string folder = dir.path().string() + "/out/";
    {
        COutputStream stream(folder, "deep/er/file.bin");
        ASSERT_TRUE(stream.Write("abc", 3));
        ASSERT_TRUE(stream.Write("de", 2));
        EXPECT_FALSE(std::filesystem::exists(dir / "out/deep/er/file.bin"));
        EXPECT_TRUE(stream.Commit());
        EXPECT_TRUE(stream.Error().empty());
    }
    EXPECT_EQ(test::ReadFileBytes(dir / "out/deep/er/file.bin"), "abcde");
    {
        COutputStream abandoned(folder, "deep/er/file.bin");
        ASSERT_TRUE(abandoned.Write("zz", 2));
    }
    EXPECT_EQ(test::ReadFileBytes(dir / "out/deep/er/file.bin"), "abcde");  // the old one
    // Only the file itself: the abandoned stream's temporary file is gone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out/deep/er"), {}), 1);

    // A file where a folder of the path should be: no file, and the reason names it.
    test::WriteFileBytes(dir / "out/plain", "x");
    COutputStream blocked(folder, "plain/file.bin");
    EXPECT_FALSE(blocked.Write("abc", 3));
    EXPECT_FALSE(blocked.Write("abc", 3));
    EXPECT_FALSE(blocked.Commit());
    EXPECT_NE(blocked.Error().find("plain/file.bin]: "), std::string::npos) << blocked.Error();
}

}  // namespace
}  // namespace corvane
