// The program's one way to match and substitute text: compiles a pattern (Ruby syntax,
// Shift_JIS unless asked otherwise, "." matching newlines), finds its matches in a byte
// string, reads their groups and substitutes them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/reg_callback.h"
#include "text/reg_match.h"
#include "text/reg_options.h"

namespace corvane {

// Bounds on the work of one search, so that a pattern that backtracks badly on a page (a lazy
// group over unclosed tags, nested repeats) gives up with a reason instead of hanging.
struct CRegLimits {
    // Oniguruma's backtracking steps for one match attempt and for one whole engine search.
    unsigned long m_nRetriesInMatch = 10'000'000;
    unsigned long m_nRetriesInSearch = 200'000'000;
    // The time one Search may take over all its match attempts, in milliseconds.
    int m_nMilliseconds = 20'000;
};

// The process-wide bounds; every search reads them when it starts.
CRegLimits GetRegLimits();
void SetRegLimits(const CRegLimits& limits);

// Made by its user for one task; not shared between threads (each thread uses its own).
// Positions and lengths are byte offsets into the subject.
class CRegManager {
public:
    CRegManager();
    virtual ~CRegManager();
    CRegManager(const CRegManager&) = delete;
    CRegManager& operator=(const CRegManager&) = delete;

    // What Search answers when the pattern does not compile, and when the engine gave up
    // (a work bound of CRegLimits was reached; no match is kept then).
    static constexpr int kNotCompiled = -1;
    static constexpr int kGivenUp = -2;

    // Finds the first match, or every match with the option "g". Returns the number of
    // matches, 0 when none, kNotCompiled or kGivenUp. The first match becomes the current
    // one.
    int Search(std::string_view subject, std::string_view pattern, std::string_view options = {});
    // Why the last search answered kNotCompiled or kGivenUp, in the engine's words
    // ("invalid pattern in look-behind", "retry-limit-in-match over"); empty otherwise.
    const std::string& GetError() const { return m_strError; }
    // The engine's reason why `pattern` does not compile with `options`; empty when it does.
    static std::string CompileError(std::string_view pattern, std::string_view options = {});
    // The number of groups of `pattern` (group 0 not counted); -1 when it does not compile.
    static int CaptureCount(std::string_view pattern, std::string_view options = {});
    // Forgets the last search.
    void Reset();

    // Group reads on the current match. Absent groups (no current match, index out of range,
    // group not taking part) read as "" and position -1; the length is -1 without a current
    // match or for an out-of-range index, 0 for a group that did not take part.
    std::string GetGroup(int index) const;
    // The group text as a decimal integer: leading blanks, optional sign, digits up to the
    // first non-digit; 0 when there are none, saturated at the int range.
    int GetGroupInt(int index) const;
    int GetGroupLength(int index) const;
    int GetGroupPosition(int index) const;
    // `format` expanded against the current match ("$'" is the text after it); "" when none.
    std::string FormatMatch(std::string_view format) const;

    // Replaces every match that `Search` finds by the callback's text. Returns the same
    // count as `Search`; the subject is unchanged when it is below 1.
    int Replace(std::string& subject, std::string_view pattern, CRegCallback& callback,
                std::string_view options = {});
    // `Replace` with the expansion of `format` ("$1", "\\2", "$&", ...) for each match.
    int ReplaceFormat(std::string& subject, std::string_view pattern, std::string_view format,
                      std::string_view options = {});

    // Number of matches of the last search.
    int GetMatchCount() const { return m_nMatchCount; }
    // Chooses the current match; a negative index counts from the end of the list.
    void SetCurrentMatch(int index) { m_nCurrent = index; }
    int GetCurrentMatch() const { return m_nCurrent; }
    // A view of the current match, valid until the next search or reset.
    std::optional<CRegMatch> CurrentMatch() const;

private:
    // `Search` on the subject already kept in m_strSubject (after a reset).
    int SearchSubject(std::string_view pattern, std::string_view options);

    // The match regions in order, flat: for each match, begin and end offsets of every group
    // 0..m_nGroupCount-1, -1 for a group that did not take part.
    std::vector<int> m_regions;
    int m_nGroupCount = 0;
    int m_nMatchCount = 0;
    std::string m_strSubject;
    std::unique_ptr<CRegOptions> m_pOptions;
    int m_nCurrent = -1;
    std::string m_strError;
};

}  // namespace corvane
