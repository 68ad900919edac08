// The reader of the page rule files (conf/body.txt, conf/replace.txt): one pattern per
// line, blanks trimmed, empty lines and "#" comment lines dropped.
#pragma once

#include <string>
#include <vector>

namespace corvane {

// A kept line with its line number in the file (from 1).
struct CRuleLine {
    int m_nLine = 0;
    std::string m_strPattern;
};

// The kept lines of the text with their numbers.
std::vector<CRuleLine> ParseNumberedRuleLines(const std::string& text);

// The text of the rule file at `path`; false when it cannot be opened.
bool ReadRuleFileText(const std::string& path, std::string& text);

// The kept lines of the file at `path` (a Shift_JIS path text) in file order; none when
// the file cannot be opened.
std::vector<std::string> ReadRuleFile(const std::string& path);

// The same for text already in memory.
std::vector<std::string> ParseRuleLines(const std::string& text);

}  // namespace corvane
