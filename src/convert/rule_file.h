// The reader of the page rule files (conf/body.txt, conf/replace.txt): one pattern per
// line, blanks trimmed, empty lines and "#" comment lines dropped.
#pragma once

#include <string>
#include <vector>

namespace corvane {

// The kept lines of the file at `path` (a Shift_JIS path text) in file order; none when
// the file cannot be opened.
std::vector<std::string> ReadRuleFile(const std::string& path);

// The same for text already in memory.
std::vector<std::string> ParseRuleLines(const std::string& text);

}  // namespace corvane
