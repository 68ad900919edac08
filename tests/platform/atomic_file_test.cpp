// Files replaced whole or not at all, never through a symbolic link.
#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <filesystem>

#include "support/test_paths.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

std::size_t EntriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(AtomicFileTest, TheOldFileStaysWholeUntilTheNewOneIsCommitted) {
    test::ScratchDir dir;
    WriteFileBytes(dir / "page.html", "old");
    {
        CAtomicFile file(dir / "page.html");
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write("ne", 2));
        ASSERT_TRUE(file.Write("w", 1));
        EXPECT_EQ(ReadFileBytes(dir / "page.html"), "old");
        EXPECT_EQ(file.TemporaryPath().parent_path(), dir.path());
        EXPECT_TRUE(IsTemporaryFileName(file.TemporaryPath().filename().string()));
        ASSERT_TRUE(file.Commit());
        // Committed once, it stays committed: a second Commit is no failure.
        EXPECT_TRUE(file.Commit());
        EXPECT_EQ(file.ErrorCode(), 0);
    }
    EXPECT_EQ(ReadFileBytes(dir / "page.html"), "new");
    {
        // Dropped without a commit (an abort, an exception): nothing changes.
        CAtomicFile file(dir / "page.html");
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write("half", 4));
    }
    EXPECT_EQ(ReadFileBytes(dir / "page.html"), "new");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);

    // Missing folders are made only when asked.
    EXPECT_FALSE(WriteFileAtomically(dir / "a" / "b.bin", "x"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_TRUE(WriteFileAtomically(dir / "a" / "b.bin", "x", true));
    EXPECT_EQ(ReadFileBytes(dir / "a" / "b.bin"), "x");
}

// A link where the file goes, planted before the write or while it runs: the write fails
// with ELOOP, the link stays a link and its target keeps its bytes.
TEST(AtomicFileTest, ALinkInThePlaceOfTheFileIsNeverWrittenThrough) {
    test::ScratchDir dir;
    test::ScratchDir elsewhere;
    WriteFileBytes(elsewhere / "victim", "victim");
    fs::create_symlink(elsewhere / "victim", dir / "before.html");
    errno = 0;
    EXPECT_FALSE(WriteFileAtomically(dir / "before.html", "x"));
    EXPECT_EQ(errno, ELOOP);
    // A streamed file is refused before its first byte is fetched.
    CAtomicFile streamed(dir / "before.html");
    EXPECT_FALSE(streamed.Open());
    EXPECT_EQ(streamed.ErrorCode(), ELOOP);

    CAtomicFile during(dir / "during.html");
    ASSERT_TRUE(during.Open());
    ASSERT_TRUE(during.Write("x", 1));
    fs::create_symlink(elsewhere / "victim", dir / "during.html");
    EXPECT_FALSE(during.Commit());
    EXPECT_EQ(during.ErrorCode(), ELOOP);

    // A dangling link is no different: nothing is created where it points.
    fs::create_symlink(elsewhere / "made", dir / "dangling.html");
    EXPECT_FALSE(WriteFileAtomically(dir / "dangling.html", "x"));
    EXPECT_FALSE(fs::exists(elsewhere / "made"));

    for (const char* name : {"before.html", "during.html", "dangling.html"}) {
        EXPECT_TRUE(fs::is_symlink(dir / name)) << name;
    }
    EXPECT_EQ(ReadFileBytes(elsewhere / "victim"), "victim");
    EXPECT_EQ(EntriesIn(dir.path()), 3u);  // the links, no temporary file
    EXPECT_NE(WriteErrorText(ELOOP), WriteErrorText(ENOSPC));
    EXPECT_FALSE(WriteErrorText(ENOSPC).empty());

    // The folder itself may be a link.
    fs::create_symlink(dir.path(), elsewhere / "folder");
    EXPECT_TRUE(WriteFileAtomically(elsewhere / "folder" / "ok.html", "ok"));
    EXPECT_EQ(ReadFileBytes(dir / "ok.html"), "ok");
}

// A full disk, stood in for by a file-size limit of this process: the write fails with the
// system's reason and the old file and no temporary file are left.
TEST(AtomicFileTest, AFailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile) {
    test::ScratchDir dir;
    WriteFileBytes(dir / "big.bin", "previous");
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool written = WriteFileAtomically(dir / "big.bin", std::string(8192, 'x'));
    const int code = errno;
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(code, EFBIG);
    EXPECT_EQ(ReadFileBytes(dir / "big.bin"), "previous");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFileTest, LeftoversOfAKilledRunAreRecognisedAndRemoved) {
    test::ScratchDir dir;
    const fs::path temporary = TemporaryPathFor(dir / "Manual.chm");
    const fs::path project = TemporaryPathFor(dir / "Manual.hhp", ".hhp");
    // A long name is cut, so the temporary name fits wherever the file's own name does.
    const fs::path longName = TemporaryPathFor(dir / (std::string(250, 'n') + ".html"));
    EXPECT_LE(longName.filename().string().size(), 255u);
    EXPECT_NE(TemporaryPathFor(dir / "Manual.chm"), temporary);
    for (const fs::path& path : {temporary, project, longName}) {
        EXPECT_TRUE(IsTemporaryFileName(path.filename().string())) << path;
        WriteFileBytes(path, "left");
    }
    // Names that only look alike, and a link and a folder of the right shape, stay.
    const std::vector<std::string> kept = {"Manual.chm",
                                           ".Manual.chm.part",
                                           "a.part",
                                           ".x.abc$efgh.part",
                                           "Manual.hhp",
                                           "xManual.chm.abcdefgh.part",
                                           ".Manual.chmXabcdefgh.part",
                                           ".Manual.chm.abcdefgh.tmp",
                                           ".abcdefgh.part"};
    for (const std::string& name : kept) {
        EXPECT_FALSE(IsTemporaryFileName(name)) << name;
        WriteFileBytes(dir / name, "keep");
    }
    const fs::path link = TemporaryPathFor(dir / "l.html");
    fs::create_symlink(dir / "Manual.chm", link);
    const fs::path folder = TemporaryPathFor(dir / "f.html");
    fs::create_directory(folder);

    EXPECT_EQ(RemoveTemporaryFiles(dir.path()), 3);
    EXPECT_EQ(EntriesIn(dir.path()), kept.size() + 2);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_directory(folder));
}

}  // namespace
}  // namespace corvane
