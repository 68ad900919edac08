// Starting other programs: a compiler named without a folder is found on PATH, and the
// desktop's opener is started without waiting for the viewer it runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/program_search.h"
#include "platform/shell_open.h"
#include "platform/text_codec.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

void WriteScript(const fs::path& path, const std::string& body) {
    test::WriteFileBytes(path, "#!/bin/sh\n" + body + "\n");
    fs::permissions(path, fs::perms::owner_all);
}

// PATH set to the given folders for one test.
class ScopedPath {
public:
    explicit ScopedPath(const std::string& value) {
        const char* old = std::getenv("PATH");
        m_old = old ? old : "";
        setenv("PATH", value.c_str(), 1);
    }
    ~ScopedPath() { setenv("PATH", m_old.c_str(), 1); }

private:
    std::string m_old;
};

TEST(ResolveProgram, ANameIsLookedUpOnPathAndAPathIsMadeAbsolute) {
    ScratchDir dir;
    fs::create_directories(dir / "first");
    fs::create_directories(dir / "second");
    fs::create_directories(dir / "cwd");
    // Not executable in the first folder: the executable one in the second wins.
    test::WriteFileBytes(dir / "first" / "mycompiler", "not a program");
    WriteScript(dir / "second" / "mycompiler", "exit 0");
    WriteScript(dir / "cwd" / "mycompiler", "exit 0");
    WriteScript(dir / "cwd" / "onlyhere", "exit 0");
    const fs::path previous = fs::current_path();
    fs::current_path(dir / "cwd");
    {
        // An empty entry would be the current folder to a shell; it is not searched.
        ScopedPath path((dir / "first").string() + "::" + (dir / "second").string());
        EXPECT_EQ(ResolveProgram("mycompiler"), FromNativePath(dir / "second" / "mycompiler"));
        EXPECT_EQ(ResolveProgram("onlyhere"), "onlyhere");
        EXPECT_EQ(ResolveProgram("missing"), "missing");
        EXPECT_EQ(ResolveProgram(""), "");
        // With a folder the PATH is not consulted.
        EXPECT_EQ(ResolveProgram("./onlyhere"), FromNativePath(fs::absolute("./onlyhere")));
        EXPECT_EQ(ResolveProgram("/no/such/compiler"), "/no/such/compiler");
    }
    fs::current_path(previous);
}

struct Opener {
    ScratchDir dir;
    std::unique_ptr<ScopedPath> path;
    fs::path marker = dir / "opened.txt";
    explicit Opener(const std::string& body) {
        fs::create_directories(dir / "bin");
        WriteScript(dir / "bin" / "xdg-open", body);
        const char* old = std::getenv("PATH");
        path = std::make_unique<ScopedPath>((dir / "bin").string() + ":" + (old ? old : ""));
    }
};

TEST(ShellOpen, TheViewerIsNotWaitedFor) {
    // A stand-in opener that runs its viewer in the foreground for a long time.
    Opener opener("");
    const fs::path marker = opener.dir / "done.txt";
    WriteScript(opener.dir / "bin" / "xdg-open", "echo \"$1\" > '" + opener.marker.string() +
                                                     "'; sleep 60; touch '" + marker.string() +
                                                     "'");
    int waited = 0;
    EXPECT_TRUE(ShellOpen("/tmp/some help.chm", [&] { ++waited; }));
    // Back while the viewer still runs, having kept the caller's window alive meanwhile.
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_GT(waited, 0);
    for (int i = 0; i < 500 && !fs::exists(opener.marker); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(test::ReadFileBytes(opener.marker), "/tmp/some help.chm\n");
}

TEST(ShellOpen, AnOpenerThatFailsAtOnceIsReported) {
    // A generous grace: the answer comes as soon as the opener ends, however busy the machine.
    const int kGrace = 60000;
    Opener failing("exit 3");
    EXPECT_FALSE(ShellOpen("/tmp/x.chm", {}, kGrace));
    Opener quick("exit 0");
    EXPECT_TRUE(ShellOpen("/tmp/x.chm", {}, kGrace));
    // A text that would reach the opener as an option is refused before it starts.
    Opener recording("echo \"$1\" > '" + failing.dir.path().string() + "/option.txt'");
    EXPECT_FALSE(ShellOpen("--help", {}, kGrace));
    EXPECT_FALSE(ShellOpen("", {}, kGrace));
    EXPECT_FALSE(fs::exists(failing.dir / "option.txt"));
}

TEST(ShellOpen, WithoutAnOpenerItFails) {
    ScratchDir empty;
    ScopedPath path(empty.path().string());
    EXPECT_FALSE(ShellOpen("/tmp/x.chm"));
}

}  // namespace
}  // namespace corvane
