#include "convert/replace_rule.h"

#include <algorithm>
#include <boost/format.hpp>

#include "platform/sjis_text.h"

namespace corvane {
namespace {

constinit CSjisText kMissingGroup{"$%d に当たるグループがパターンにありません (グループは %d 個)"};
constinit CSjisText kLoneDollar{"$ のあとにはグループの番号か、$ をもう一つ書いてください"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Group numbers above this are read as this, which no pattern reaches.
constexpr int kGroupNumberCap = 100000;

// The group number of the digits at `at` of `text`, and where they end.
int GroupNumberAt(const std::string& text, std::size_t& at) {
    int number = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        number = std::min(number * 10 + (text[at] - '0'), kGroupNumberCap);
    }
    return number;
}

}  // namespace

CReplaceRule ParseReplaceRule(const std::string& line) {
    // A tab, blanks, "=>" and a blank: the first such run ends the pattern.
    for (std::size_t tab = line.find('\t'); tab != std::string::npos;
         tab = line.find('\t', tab + 1)) {
        std::size_t arrow = tab + 1;
        while (arrow < line.size() && IsBlank(line[arrow])) ++arrow;
        if (line.compare(arrow, 2, "=>") != 0 || arrow + 2 >= line.size() ||
            !IsBlank(line[arrow + 2])) {
            continue;
        }
        std::size_t patternEnd = tab;
        while (patternEnd > 0 && IsBlank(line[patternEnd - 1])) --patternEnd;
        std::size_t replacement = arrow + 2;
        while (replacement < line.size() && IsBlank(line[replacement])) ++replacement;
        return {line.substr(0, patternEnd), line.substr(replacement)};
    }
    return {line, std::string()};
}

std::string CheckReplacement(const std::string& replacement, int groups) {
    // '$' and digits are never the trail byte of a double-byte character.
    for (std::size_t i = 0; i < replacement.size(); ++i) {
        if (replacement[i] != '$') continue;
        if (i + 1 < replacement.size() && replacement[i + 1] == '$') {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        if (end >= replacement.size() || !IsDigit(replacement[end])) return kLoneDollar;
        const int number = GroupNumberAt(replacement, end);
        if (number > groups) return (boost::format(kMissingGroup) % number % groups).str();
        i = end - 1;
    }
    return std::string();
}

std::string CReplaceRuleCallback::GetReplacement(const CRegMatch& match) {
    if (m_bOverLimit) return std::string();
    std::string out;
    for (std::size_t i = 0; i < m_strReplacement.size(); ++i) {
        const char c = m_strReplacement[i];
        std::size_t end = i + 1;
        if (c != '$' || end >= m_strReplacement.size()) {
            out += c;
        } else if (m_strReplacement[end] == '$') {
            out += '$';
            ++i;
        } else if (IsDigit(m_strReplacement[end])) {
            out += match.Group(GroupNumberAt(m_strReplacement, end));
            i = end - 1;
        } else {
            out += c;
        }
        if (out.size() > m_nMaxSize) break;
    }
    // The text's size once this match is replaced.
    const std::size_t matched = static_cast<std::size_t>(match.Length(0));
    m_nSize = m_nSize - matched + out.size();
    if (m_nSize > m_nMaxSize) {
        m_bOverLimit = true;
        return std::string();
    }
    return out;
}

}  // namespace corvane
