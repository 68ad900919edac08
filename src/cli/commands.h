// The command line's commands. Each returns the process's exit status.
#pragma once

#include <string>
#include <vector>

#include "cli/terminal.h"

namespace corvane {

// Exit statuses: 0 the help file was made from every page; 3 it was made but some pages
// did not come back; 1 no help file; 2 wrong arguments; 130 interrupted.
inline constexpr int kExitMade = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitPagesFailed = 3;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitAborted = 130;

// `args` are the arguments after the command's name, as Shift_JIS texts.
int RunBuildCommand(const CTerminal& terminal, const std::vector<std::string>& args);
int RunInitCommand(const CTerminal& terminal, const std::vector<std::string>& args);

}  // namespace corvane
