// The rules of conf/replace.txt. A line is a pattern whose matches are deleted, or a
// pattern, a tab, "=>", a blank and a replacement that takes each match's place:
//     <a id="([^"]+)">	=>	<a name="$1" id="$1">
// "$1".."$99" stand for the match's groups ("$0" the whole match), "$$" for a dollar sign.
// A line without a tab before its "=>" stays a plain pattern, as every line was before
// replacements existed.
#pragma once

#include <cstddef>
#include <string>

#include "text/reg_callback.h"

namespace corvane {

struct CReplaceRule {
    std::string m_strPattern;
    std::string m_strReplacement;  // empty: the matches are deleted
};

// The rule of one kept line of replace.txt (blanks at its ends already trimmed).
CReplaceRule ParseReplaceRule(const std::string& line);

// Why `replacement` cannot stand for the matches of a pattern with `groups` groups (a
// reference to a group the pattern lacks, a "$" that introduces nothing); empty when it can.
std::string CheckReplacement(const std::string& replacement, int groups);

// Expands a rule's replacement for each match, and stops once the text would grow past
// `maxSize` bytes: a replacement never searches its own output, and the page it makes is
// bounded, however often a rule matches.
class CReplaceRuleCallback : public CRegCallback {
public:
    // `size` is the size of the text the rule runs over.
    CReplaceRuleCallback(const std::string& replacement, std::size_t size, std::size_t maxSize)
        : m_strReplacement(replacement), m_nSize(size), m_nMaxSize(maxSize) {}
    std::string GetReplacement(const CRegMatch& match) override;
    // True when the result was cut short because it grew past the bound.
    bool IsOverLimit() const { return m_bOverLimit; }

private:
    std::string m_strReplacement;
    std::size_t m_nSize;
    std::size_t m_nMaxSize;
    bool m_bOverLimit = false;
};

}  // namespace corvane
