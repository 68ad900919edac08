#include "platform/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/text_codec.h"

extern char** environ;

namespace corvane {
namespace {

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) close(fd);
    }
};

// Owns posix_spawn's file-action list.
struct FileActions {
    posix_spawn_file_actions_t actions;
    FileActions() { posix_spawn_file_actions_init(&actions); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions); }
};

}  // namespace

int RunProgram(CProcessRun& run) {
    run.strOutput.clear();
    run.nStartError = 0;
    if (run.args.empty() || run.args[0].empty()) {
        run.nStartError = ENOENT;
        return 0;
    }
    std::vector<std::string> native;
    native.reserve(run.args.size());
    for (const auto& arg : run.args) native.push_back(SjisToUtf8(arg));
    std::vector<char*> argv;
    for (auto& arg : native) argv.push_back(arg.data());
    argv.push_back(nullptr);

    FileActions fa;
    posix_spawn_file_actions_addopen(&fa.actions, 0, "/dev/null", O_RDONLY, 0);
    Fd readEnd, writeEnd;
    if (run.bCaptureOutput) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            run.nStartError = errno;
            return 0;
        }
        readEnd.fd = fds[0];
        writeEnd.fd = fds[1];
        posix_spawn_file_actions_adddup2(&fa.actions, writeEnd.fd, 1);
        posix_spawn_file_actions_adddup2(&fa.actions, writeEnd.fd, 2);
    } else if (run.bDiscardOutput) {
        posix_spawn_file_actions_addopen(&fa.actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&fa.actions, 1, 2);
    }
    if (!run.strWorkingDir.empty()) {
        std::string dir = ToNativePath(run.strWorkingDir).string();
        posix_spawn_file_actions_addchdir_np(&fa.actions, dir.c_str());
    }

    pid_t pid = 0;
    int rc = posix_spawnp(&pid, argv[0], &fa.actions, nullptr, argv.data(), environ);
    if (rc != 0) {
        run.nStartError = rc;
        return 0;
    }
    if (writeEnd.fd >= 0) {
        close(writeEnd.fd);
        writeEnd.fd = -1;
        char buffer[4096];
        for (;;) {
            if (run.fnWaiting) {
                pollfd ready{readEnd.fd, POLLIN, 0};
                const int polled = poll(&ready, 1, run.nWaitingMs);
                if (polled == 0 || (polled < 0 && errno == EINTR)) {
                    run.fnWaiting();
                    continue;
                }
            }
            ssize_t n = read(readEnd.fd, buffer, sizeof buffer);
            if (n > 0) {
                run.strOutput.append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                break;
            }
        }
    }
    int status = 0;
    if (run.fnWaiting) {
        // Without captured output there is no descriptor to wait on: look now and then.
        for (;;) {
            const pid_t ended = waitpid(pid, &status, WNOHANG);
            if (ended == pid || (ended < 0 && errno != EINTR)) break;
            run.fnWaiting();
            usleep(static_cast<useconds_t>(run.nWaitingMs) * 1000);
        }
        if (WIFEXITED(status) || WIFSIGNALED(status)) {
            run.nExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return 1;
        }
    }
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            run.nExitCode = -1;
            return 1;
        }
    }
    if (WIFEXITED(status)) {
        run.nExitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        run.nExitCode = 128 + WTERMSIG(status);
    } else {
        run.nExitCode = -1;
    }
    return 1;
}

}  // namespace corvane
