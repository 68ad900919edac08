// The names of one run's files: one name per target for the whole run, and never two names
// that a case-insensitive help file would take for one.
#include "convert/local_names.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace corvane {
namespace {

TEST(LocalNamesTest, TargetsThatWouldShareANameAreNumberedInTheOrderTheyCome) {
    CLocalNames names;
    const std::string script = "http://h/";
    // URL, the name it gets; in this order, on one run.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"http://h/?CaseName", "CaseName.html"},
        {"http://h/?casename", "casename_2.html"},
        {"http://h/?CASENAME#top", "CASENAME_3.html#top"},
        // Known targets keep their name, by either form of their URL, fragment and all.
        {"http://h/?CaseName#end", "CaseName.html#end"},
        {"http://h/?cmd=read&page=casename", "casename_2.html"},
        {"http://h/?casename#x", "casename_2.html#x"},
        // Names that lose a percent escape are different targets.
        {"http://h/?C%2B", "C2B.html"},
        {"http://h/?C2B", "C2B_2.html"},
        // Shift_JIS trail bytes are no letters: ア (83 41) and ヂ (83 61) are two names.
        {"http://h/?\x83\x41", "\x83\x41.html"},
        {"http://h/?\x83\x61", "\x83\x61.html"},
        // The number goes before the last extension, or at the end of a name without one.
        {"http://h/x/pkg.tar.gz", "pkg.tar.gz"},
        {"http://h/y/PKG.tar.gz", "PKG.tar_2.gz"},
        {"http://h/x/README", "README"},
        {"http://h/y/readme", "readme_2"},
        {"http://h/x/.profile", ".profile"},
        {"http://h/y/.PROFILE", ".PROFILE_2"},
        {"not a url", ""},
    };
    for (const auto& [url, name] : cases) EXPECT_EQ(names.Assign(url, script), name) << url;
}

}  // namespace
}  // namespace corvane
