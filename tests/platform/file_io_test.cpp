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

// Pieces of every size give back the file whole and in order, the last one short; the
// reader stops when told; a missing file or a folder is a failure with errno set.
TEST(FileIoTest, ReadingInPiecesGivesTheWholeFile) {
    test::ScratchDir dir;
    std::string content;
    for (int i = 0; i < 10000; ++i) content += static_cast<char>(i * 7 + i / 256);
    WriteFileBytes(dir / "f.bin", content);
    WriteFileBytes(dir / "empty", "");
    const std::string path = FromNativePath(dir / "f.bin");
    for (size_t piece : {size_t{1}, size_t{4096}, size_t{9999}, size_t{10000}, size_t{65536}}) {
        SCOPED_TRACE(piece);
        std::string got;
        size_t pieces = 0;
        ASSERT_TRUE(ReadFileInPieces(path, piece, [&](std::string_view bytes) {
            EXPECT_LE(bytes.size(), piece);
            got.append(bytes);
            ++pieces;
            return true;
        }));
        EXPECT_TRUE(got == content);
        EXPECT_EQ(pieces, (content.size() + piece - 1) / piece);
    }
    size_t calls = 0;
    ASSERT_TRUE(ReadFileInPieces(path, 1000, [&](std::string_view) { return ++calls < 3; }));
    EXPECT_EQ(calls, 3u);
    ASSERT_TRUE(ReadFileInPieces(FromNativePath(dir / "empty"), 16, [&](std::string_view) {
        ADD_FAILURE() << "a piece of an empty file";
        return true;
    }));
    errno = 0;
    EXPECT_FALSE(
        ReadFileInPieces(FromNativePath(dir / "none"), 16, [](std::string_view) { return true; }));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(
        ReadFileInPieces(FromNativePath(dir.path()), 16, [](std::string_view) { return true; }));
    EXPECT_EQ(errno, EISDIR);
}

}  // namespace
}  // namespace corvane
