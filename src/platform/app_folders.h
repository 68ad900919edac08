// The folders the program looks in for its own files: the folder of the running program,
// the user's configuration folder and the installed data folder. All are Shift_JIS texts
// ending with the native separator; empty when the system cannot tell.
#pragma once

#include <string>

namespace corvane {

// The folder of the running program file.
std::string GetProgramFolder();

// $XDG_CONFIG_HOME/corvane/ (or ~/.config/corvane/ when the variable is unset or relative).
std::string GetUserConfigFolder();

// The installed data folder (share/corvane/).
std::string GetDataFolder();

}  // namespace corvane
