// One match of a regex search as seen by a replacement callback: its groups, group
// substitution and "$1"-style format expansion.
#pragma once

#include <string>
#include <string_view>

#include "text/reg_options.h"

namespace corvane {

// A view over one match region of a search and the subject it was found in. It owns
// neither: both must outlive it (it lives for the duration of one callback). The region is
// `groupCount` pairs of begin and end offsets, -1 for a group that did not take part.
class CRegMatch {
public:
    CRegMatch(std::string_view subject, const int* region, int groupCount, RegEncoding encoding);

    // Number of groups including group 0.
    int GroupCount() const;
    // Whether group `index` exists and took part in the match.
    bool HasGroup(int index) const;
    // Text of group `index`; empty when out of range or the group did not take part.
    std::string Group(int index) const;
    // Begin offset of the group; -1 when out of range or the group did not take part.
    int Position(int index) const;
    // End minus begin of the group; -1 when out of range, 0 when it did not take part.
    int Length(int index) const;
    // Smallest group index >= `from` that took part; -1 when there is none.
    int FirstMatchedGroup(int from) const;
    // The text from the begin of group `first` to the end of group `last` (offset 0 and the
    // subject's end when those groups are absent) with group `index` replaced by `text`.
    // Empty when group `index` is absent or lies outside that window.
    std::string ReplaceGroup(int index, std::string_view text, int first, int last) const;
    // Expands "$n", "\n", "$&", "$`", "$'", "$+" and "\\" against this match.
    std::string Format(std::string_view format) const;

    std::string_view Subject() const { return m_strSubject; }

private:
    int Begin(int index) const { return m_pRegion[2 * index]; }
    int End(int index) const { return m_pRegion[2 * index + 1]; }

    std::string_view m_strSubject;
    const int* m_pRegion;
    int m_nGroupCount;
    RegEncoding m_nEncoding;
};

}  // namespace corvane
