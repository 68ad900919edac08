// Breaks a help page (Shift_JIS HTML) into the words of the full-text index, the way the help
// viewer's Japanese word breaker sees its text: every double-byte character and every
// half-width katakana is a word of its own, runs of ASCII letters and digits are words in
// lower case, and everything else separates them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chm/fts_index.h"

namespace corvane {

struct CSearchDocument {
    std::string strTitle;  // the text of <title>, entities decoded
    std::vector<CSearchToken> tokens;
};

// The title and body words of one page. Tags, comments, scripts and style sheets are skipped;
// character references become the characters they stand for.
CSearchDocument TokenizeHelpPage(const std::string& html);

// True for the file names of pages (".htm", ".html" in any case): the files that are
// indexed and listed as keywords.
bool IsHelpPageName(const std::string& name);

// The words of a plain text, numbered from `firstPosition`.
void TokenizeText(const std::string& text, uint32_t firstPosition, bool title,
                  std::vector<CSearchToken>& tokens);

}  // namespace corvane
