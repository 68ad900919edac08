#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/text_codec.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

TEST(FileIoTest, ReplacingFollowsLinksAndLeavesNoTemporaryFile) {
    test::ScratchDir dir;
    std::filesystem::create_directories(dir / "real");
    WriteFileBytes(dir / "real/p.xml", "old");
    std::filesystem::create_symlink("real/p.xml", dir / "link.xml");
    ASSERT_TRUE(WriteFileReplacing(FromNativePath(dir / "link.xml"), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.xml"));
    EXPECT_EQ(ReadFileBytes(dir / "real/p.xml"), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "real"), {}), 1);

    // A Japanese file name goes to the file system as UTF-8.
    const std::string name =
        FromNativePath(dir.path()) + "/\x83\x5C\x83\x74\x83\x67.xml";  // ソフト
    ASSERT_TRUE(WriteFileReplacing(name, "x"));
    EXPECT_EQ(ReadFileBytes(dir / "\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88.xml"), "x");
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(name, bytes));
    EXPECT_EQ(bytes, "x");
}

TEST(FileIoTest, FailuresSetErrno) {
    test::ScratchDir dir;
    std::string bytes = "untouched";
    errno = 0;
    EXPECT_FALSE(ReadWholeFile(FromNativePath(dir / "none"), bytes));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(ReadWholeFile(FromNativePath(dir.path()), bytes));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_FALSE(WriteFileReplacing(FromNativePath(dir / "missing/x"), "x"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(WriteFileReplacing(FromNativePath(dir.path()), "x"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
}

}  // namespace
}  // namespace corvane
