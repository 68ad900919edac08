// Output folders: whether one exists, and creating it with every missing parent.
#pragma once

#include <string>

namespace corvane {

// True when the Shift_JIS path names an existing folder.
bool FolderExists(const std::string& path);

// Creates the folder and every missing parent, outermost first. True when the folder
// exists afterwards. An empty path is refused: it must never stand for the root.
bool CreateFolderChain(const std::string& path);

// The folder text with the native separator appended when it lacks one; empty stays empty.
std::string WithTrailingSeparator(const std::string& folder);

}  // namespace corvane
