// Whether a file is free for us: nobody else holds it open under a lock (a help viewer
// showing the help file we are about to rebuild).
#pragma once

#include <string>

namespace corvane {

// Opens the file (a Shift_JIS path) for reading and tries to take an exclusive lock on it
// without waiting; closes it again at once. True when both succeeded.
bool CanOpenExclusively(const std::string& path);

}  // namespace corvane
