// Finds a program the way a shell does: a name without a folder is looked up in PATH.
#pragma once

#include <string>

namespace corvane {

// A program name without a folder separator is looked up in the folders of PATH (the first
// executable file wins); a relative path is made absolute. Returns the text unchanged when
// nothing is found, so that a message can name what the user gave.
std::string ResolveProgram(const std::string& program);

}  // namespace corvane
