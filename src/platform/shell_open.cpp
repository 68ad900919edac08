#include "platform/shell_open.h"

#include "platform/process_runner.h"

namespace corvane {

bool ShellOpen(const std::string& path) {
    CProcessRun run;
    run.args = {"xdg-open", path};
    // Keep the opener's chatter (no desktop, unknown type) off our terminal. Not captured:
    // the program it starts would hold the pipe open for as long as it runs.
    run.bDiscardOutput = true;
    return RunProgram(run) == 1 && run.nExitCode == 0;
}

}  // namespace corvane
