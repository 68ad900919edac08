// Outside tools for checking compiled help files in tests: chmls's listing, and a word lookup
// built at test time from Free Pascal's chm units.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace corvane::test {

// chmls's listing of the help file: entry name -> section number.
std::map<std::string, int> ListWithChmls(const std::filesystem::path& chm);

// Builds the Free Pascal lookup program into `folder`; empty path (and `why`) when the
// compiler or its chm units are missing.
std::filesystem::path BuildPascalLookup(const std::filesystem::path& folder, std::string& why);

// The pages (topic file names) where each of `words` (Shift_JIS) stands, by Free Pascal's
// lookup: one set per word, body and title hits together.
std::vector<std::set<std::string>> PascalLookup(const std::filesystem::path& program,
                                                const std::filesystem::path& chm,
                                                const std::vector<std::string>& words);

}  // namespace corvane::test
