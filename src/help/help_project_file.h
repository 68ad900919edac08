// Reads a help project file (.hhp) back: the [OPTIONS] keys, the window definitions of
// [WINDOWS] and the file list of [FILES], as the built-in compiler takes them.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace corvane {

struct CHelpProjectFile {
    // Option name in ASCII lower case ("compiled file") -> value as written.
    std::map<std::string, std::string> options;
    std::vector<std::string> windows;  // "name=..." lines
    std::vector<std::string> files;

    // The value of an option, `fallback` when it is not set.
    std::string Get(const std::string& key, const std::string& fallback = "") const;
};

// `text`: the file's bytes (Shift_JIS, CR LF or LF). Blank lines and ";" comments are
// skipped; lines of other sections are ignored.
CHelpProjectFile ParseHelpProjectFile(const std::string& text);

// A name a help project may take from its folder: relative, inside the folder, not a URL.
bool IsLocalFileName(const std::string& name);

}  // namespace corvane
