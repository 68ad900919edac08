// Opens a file with the desktop's default program, as a user's double click would.
#pragma once

#include <string>

namespace corvane {

// Hands the file (a Shift_JIS path) to the desktop's opener (xdg-open). True when the
// opener was started and accepted the request.
bool ShellOpen(const std::string& path);

}  // namespace corvane
