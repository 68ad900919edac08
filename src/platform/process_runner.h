// Starts a program with an argument vector (no shell involved), waits for it and collects
// what it wrote: the stand-in for process creation and wait.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace corvane {

struct CProcessRun {
    // Program and arguments as Shift_JIS texts; args[0] is the program. A program name
    // without a folder separator is looked up in PATH.
    std::vector<std::string> args;
    // Folder the program runs in (Shift_JIS); empty: the caller's current folder.
    std::string strWorkingDir;
    // Collect standard output and standard error (merged, raw bytes) into strOutput.
    bool bCaptureOutput = false;
    // Send standard output and standard error to /dev/null (ignored when capturing).
    bool bDiscardOutput = false;
    // There is no console window to hide here; kept so callers state their intent.
    int bHidden = 0;
    // Called about every nWaitingMs while the program runs, on the calling thread: a window
    // that waits for the program keeps painting from here. May be empty.
    std::function<void()> fnWaiting;
    int nWaitingMs = 50;
    // Asked as often as fnWaiting is called: true ends the program (SIGTERM, and SIGKILL a
    // second later if it is still there), and RunProgram returns once it has ended. May be
    // empty.
    std::function<bool()> fnCancel;

    // Results.
    std::string strOutput;
    int nExitCode = 0;        // exit status; 128 + signal number when killed by a signal
    int nStartError = 0;      // errno of a failed start
    bool bCancelled = false;  // fnCancel ended the program
};

// 1 when the process was started and has ended (exit code in run.nExitCode), 0 when it
// could not be started (run.nStartError holds the reason).
int RunProgram(CProcessRun& run);

}  // namespace corvane
