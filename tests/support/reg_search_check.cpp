#include "support/reg_search_check.h"

#include <gtest/gtest.h>

#include "text/reg_manager.h"

namespace corvane::test {

void ExpectSameAsPlainSearch(const std::string& subject, const std::string& pattern,
                             const std::string& options) {
    CRegManager fast;
    CRegManager plain;
    const int count = fast.Search(subject, pattern, options);
    ASSERT_EQ(count, plain.Search(subject, "(?:)" + pattern, options))
        << pattern << " in " << subject;
    for (int i = 0; i < count; ++i) {
        fast.SetCurrentMatch(i);
        plain.SetCurrentMatch(i);
        for (int group = 0; group < 3; ++group) {
            EXPECT_EQ(fast.GetGroupPosition(group), plain.GetGroupPosition(group))
                << pattern << " in " << subject << " match " << i << " group " << group;
            EXPECT_EQ(fast.GetGroupLength(group), plain.GetGroupLength(group));
        }
    }
}

}  // namespace corvane::test
