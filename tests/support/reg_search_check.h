// Checks that a search with a fast path finds what the regex engine's own search finds.
#pragma once

#include <string>

namespace corvane::test {

// Searches `subject` for `pattern` as given and for the same pattern after an empty group
// (which no fast path takes), and expects the same matches with the same groups 0 to 2.
void ExpectSameAsPlainSearch(const std::string& subject, const std::string& pattern,
                             const std::string& options);

}  // namespace corvane::test
