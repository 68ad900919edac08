#include "platform/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>

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

// Calls the caller back while the program runs and ends the program when asked to.
class CWatch {
public:
    CWatch(CProcessRun& run, pid_t pid) : m_run(run), m_pid(pid) {}
    bool Watching() const { return m_run.fnWaiting || m_run.fnCancel; }
    void Tick() {
        if (m_run.fnWaiting) m_run.fnWaiting();
        if (!m_run.bCancelled && m_run.fnCancel && m_run.fnCancel()) {
            m_run.bCancelled = true;
            m_since = std::chrono::steady_clock::now();
            kill(m_pid, SIGTERM);
        } else if (m_run.bCancelled && !m_bKilled &&
                   std::chrono::steady_clock::now() - m_since > std::chrono::seconds(1)) {
            // A program that ignores SIGTERM is not waited for.
            m_bKilled = true;
            kill(m_pid, SIGKILL);
        }
    }
    // After a cancel: whether the program has ended (its status is then in `status`). The
    // pipe may outlive it in a child of its own.
    bool Ended(int& status) {
        if (!m_run.bCancelled) return false;
        const pid_t ended = waitpid(m_pid, &status, WNOHANG);
        m_bReaped = ended == m_pid;
        return m_bReaped;
    }
    bool Reaped() const { return m_bReaped; }

private:
    CProcessRun& m_run;
    pid_t m_pid;
    std::chrono::steady_clock::time_point m_since;
    bool m_bKilled = false;
    bool m_bReaped = false;
};

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

int RunProgram(CProcessRun& run) {
    run.strOutput.clear();
    run.nStartError = 0;
    run.bCancelled = false;
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
    CWatch watch(run, pid);
    int status = 0;
    if (writeEnd.fd >= 0) {
        close(writeEnd.fd);
        writeEnd.fd = -1;
        char buffer[4096];
        for (;;) {
            if (watch.Watching()) {
                pollfd ready{readEnd.fd, POLLIN, 0};
                const int polled = poll(&ready, 1, run.nWaitingMs);
                if (polled == 0 || (polled < 0 && errno == EINTR)) {
                    watch.Tick();
                    if (watch.Ended(status)) break;
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
    if (watch.Reaped()) {
        run.nExitCode = ExitCodeOf(status);
        return 1;
    }
    if (watch.Watching()) {
        // Without captured output there is no descriptor to wait on: look now and then.
        for (;;) {
            const pid_t ended = waitpid(pid, &status, WNOHANG);
            if (ended == pid || (ended < 0 && errno != EINTR)) break;
            watch.Tick();
            usleep(static_cast<useconds_t>(run.nWaitingMs) * 1000);
        }
        if (WIFEXITED(status) || WIFSIGNALED(status)) {
            run.nExitCode = ExitCodeOf(status);
            return 1;
        }
    }
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            run.nExitCode = -1;
            return 1;
        }
    }
    run.nExitCode = ExitCodeOf(status);
    return 1;
}

}  // namespace corvane
