// Outside tools for checking compiled help files in tests: chmls's listing, and a word lookup
// built at test time from Free Pascal's chm units.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace corvane::test {

// The first window definition of a help file's #WINDOWS, its names read from #STRINGS.
struct ChmWindow {
    std::string strName, strCaption, strToc, strIndex, strFile, strHome;
    uint32_t nProperties = 0;
    uint32_t nButtons = 0;
    int nNavWidth = 0;
    int nLeft = 0, nTop = 0, nRight = 0, nBottom = 0;
    uint32_t nNotExpanded = 0;
    uint32_t nNavType = 0;
};

// The window count of #WINDOWS and its first window; false (with `why`) when the help
// file, #WINDOWS or #STRINGS cannot be read or a field points outside them.
bool ReadChmWindow(const std::filesystem::path& chm, int& count, ChmWindow& window,
                   std::string& why);

// The entries of #SYSTEM by code (the last of a code wins), each its data bytes with a
// string's terminating NUL removed; empty when the file cannot be read.
std::map<int, std::string> ReadChmSystem(const std::filesystem::path& chm);

// Every file libmspack's CHM decompressor extracts from the help file, by name ("/a.html"),
// each extracted through a file in `scratch`; a failed extraction fails the test.
std::map<std::string, std::string> ExtractWithLibmspack(const std::filesystem::path& chm,
                                                        const std::filesystem::path& scratch);

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
