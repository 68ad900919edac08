#include "platform/shell_open.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/text_codec.h"

extern char** environ;

namespace corvane {
namespace {

constexpr int kPollMs = 20;

// Owns posix_spawn's file-action and attribute lists.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

}  // namespace

bool ShellOpen(const std::string& path, const std::function<void()>& waiting, int graceMs) {
    // A text that starts with '-' would reach the opener as an option.
    if (path.empty() || path[0] == '-') return false;
    std::string opener = "xdg-open";
    std::string file = SjisToUtf8(path);
    std::vector<char*> argv{opener.data(), file.data(), nullptr};

    SpawnSetup setup;
    // Keep the opener's chatter (no desktop, unknown type) off our terminal, and let the
    // viewer outlive this program in a session of its own (Ctrl-C here does not close it).
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, 1, 2);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &setup.actions, &setup.attributes, argv.data(), environ) != 0) {
        return false;
    }

    // An opener that finds no program for the file says so at once; one that runs the
    // viewer in the foreground is not waited for.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    for (;;) {
        int status = 0;
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (ended < 0 && errno != EINTR) return true;
        if (std::chrono::steady_clock::now() >= deadline) break;
        if (waiting) waiting();
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    // Still running: reaped when it ends, so that no defunct process is left behind.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

}  // namespace corvane
