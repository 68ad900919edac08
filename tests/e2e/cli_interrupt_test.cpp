// A build ended by a signal (Ctrl-C, SIGTERM, SIGHUP) while a file streams in or while the
// help compiler runs: the command-line program stops as aborted, the output folder keeps the
// previous run's files and help file, and no temporary file is left.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/text_codec.h"
#include "project/corvane_doc.h"
#include "support/loopback_server.h"
#include "support/test_paths.h"

extern char** environ;

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kExitAborted = 130;
// 中断しました
const std::string kAborted = "中断しました";

// A one-page wiki in the default skin's shape whose attachment never ends: it comes in
// 4 KB pieces until the server stops.
struct EndlessAttachmentSite {
    test::LoopbackServer server;
    EndlessAttachmentSite() {
        server.Get("/", [this](const httplib::Request& req, httplib::Response& res) {
            if (req.has_param("plugin")) {
                res.set_chunked_content_provider(
                    "application/octet-stream", [this](size_t, httplib::DataSink& sink) {
                        const std::string piece(4096, 'n');
                        return server.Sleep(2) && sink.write(piece.data(), piece.size());
                    });
                return;
            }
            res.set_content(
                "<html><head><title>Top</title>"
                "<link rel=\"stylesheet\" href=\"skin/s.css\"></head><body><div id=\"body\">"
                "<p>top</p><a href=\"./?plugin=attach&amp;refer=Top&amp;openfile=big.bin\">big</a>"
                "</div><hr class=\"full_hr\" /><div id=\"footer\">f</div></body></html>",
                "text/html");
        });
        server.Get("/skin/s.css", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("body{}", "text/css");
        });
        server.Start();
    }
};

struct Project {
    test::ScratchDir dir;
    fs::path project = dir / "p.xml";
    fs::path folder = dir / "out";
    fs::path output = dir / "output.txt";
    explicit Project(const std::string& url) {
        fs::create_directories(folder);
        CCorvaneDoc doc;
        EXPECT_TRUE(doc.LoadFromFile((test::SourceDir() / "sample" / "sample.xml").string()));
        doc.SetURL(url);
        doc.SetFolder(FromNativePath(folder) + "/");
        EXPECT_TRUE(doc.SaveToFile(FromNativePath(project)));
    }
    // Starts corvane-cli on the project, its output going to `output`.
    pid_t Start(const std::string& compiler) {
        setenv("LC_ALL", "C.UTF-8", 1);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        std::vector<std::string> args = {(test::BinaryDir() / "bin" / "corvane-cli").string(),
                                         "build",
                                         project.string(),
                                         "--yes",
                                         "--interval",
                                         "0",
                                         "--compiler",
                                         compiler};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }
    bool HasTemporaryFile() const {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (IsTemporaryFileName(entry.path().filename().string())) return true;
        }
        return false;
    }
};

// Waits (at most a minute) until `ready` holds or the program has ended.
bool WaitFor(pid_t pid, const std::function<bool()>& ready) {
    for (int i = 0; i < 3000; ++i) {
        if (ready()) return true;
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

int WaitForExit(pid_t pid) {
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

const std::vector<std::pair<int, const char*>> kSignals = {
    {SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};

TEST(CliInterruptTest, ASignalWhileAFileStreamsInKeepsThePreviousFileAndHelpFile) {
    for (const auto& [signal, name] : kSignals) {
        SCOPED_TRACE(name);
        EndlessAttachmentSite site;
        Project p(site.server.Url("/?Top"));
        WriteFileBytes(p.folder / "Top_big.bin", "previous file");
        WriteFileBytes(p.folder / "Corvane.chm", "previous help file");
        const pid_t pid = p.Start("chmcmd");
        // Interrupt once part of the attachment is on disk.
        ASSERT_TRUE(WaitFor(pid, [&] { return p.HasTemporaryFile(); })) << ReadFileBytes(p.output);
        kill(pid, signal);
        EXPECT_EQ(WaitForExit(pid), kExitAborted) << ReadFileBytes(p.output);
        EXPECT_THAT(ReadFileBytes(p.output), HasSubstr(kAborted));
        EXPECT_EQ(ReadFileBytes(p.folder / "Top_big.bin"), "previous file");
        EXPECT_EQ(ReadFileBytes(p.folder / "Corvane.chm"), "previous help file");
        EXPECT_FALSE(p.HasTemporaryFile());
    }
}

TEST(CliInterruptTest, ASignalWhileTheCompilerRunsKeepsThePreviousHelpFile) {
    for (const auto& [signal, name] : kSignals) {
        SCOPED_TRACE(name);
        test::LoopbackServer server;
        server.Get("/", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(
                "<html><head><title>Top</title>"
                "<link rel=\"stylesheet\" href=\"s.css\"></head><body><div id=\"body\">"
                "<p>top</p></div><hr class=\"full_hr\" /><div id=\"footer\">f</div></body></html>",
                "text/html");
        });
        server.Get("/s.css", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("body{}", "text/css");
        });
        server.Start();
        Project p(server.Url("/?Top"));
        WriteFileBytes(p.folder / "Corvane.chm", "previous help file");
        // A compiler that has begun its help file and takes its time over the rest; it
        // shows that it runs by a file beside the project.
        const fs::path compiler = p.dir / "slow compiler";
        const fs::path running = p.dir / "running";
        WriteFileBytes(compiler,
                       "#!/bin/sh\n"
                       "out=$(sed -n 's/^Compiled file=//p' \"$2\" | tr -d '\\r')\n"
                       "echo half > \"$out\"\n"
                       "touch '" +
                           running.string() +
                           "'\n"
                           "sleep 60\n");
        chmod(compiler.c_str(), 0755);
        const pid_t pid = p.Start(compiler.string());
        ASSERT_TRUE(WaitFor(pid, [&] { return fs::exists(running); })) << ReadFileBytes(p.output);
        kill(pid, signal);
        EXPECT_EQ(WaitForExit(pid), kExitAborted) << ReadFileBytes(p.output);
        const std::string output = ReadFileBytes(p.output);
        EXPECT_THAT(output, HasSubstr(kAborted));
        EXPECT_THAT(output, Not(HasSubstr("ヘルプファイルを作成しました")));
        EXPECT_EQ(ReadFileBytes(p.folder / "Corvane.chm"), "previous help file");
        EXPECT_FALSE(p.HasTemporaryFile());
        // The project file left in the folder names the real help file.
        EXPECT_THAT(ReadFileBytes(p.folder / "Corvane.hhp"),
                    HasSubstr("Compiled file=Corvane.chm"));
    }
}

}  // namespace
}  // namespace corvane
