#include "net/check_result.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(CheckResult, FreshResultIsAnErrorWithEverythingElseEmpty) {
    const CCheckResult r;
    EXPECT_EQ(r.m_nStatus, CHECK_ERROR);
    EXPECT_EQ(r.m_nMethod, 0);
    EXPECT_EQ(r.m_nHttpStatus, 0);
    EXPECT_EQ(r.m_nContentLength, 0);
    EXPECT_EQ(r.m_tLastModified, 0);
    EXPECT_EQ(r.m_nPageCount, 0);
    EXPECT_TRUE(r.m_strURL.empty() && r.m_strMovedTo.empty() && r.m_strError.empty() &&
                r.m_strLocation.empty() && r.m_strHeaders.empty() && r.m_body.empty());
}

TEST(CheckResult, CopyOwnsItsBody) {
    CCheckResult a;
    a.m_body = {'a', 'b', 'c'};
    CCheckResult b = a;
    b.m_body[0] = 'x';
    b.m_body.push_back('d');
    EXPECT_EQ(std::string(a.m_body.begin(), a.m_body.end()), "abc");
    EXPECT_EQ(std::string(b.m_body.begin(), b.m_body.end()), "xbcd");
}

}  // namespace
}  // namespace corvane
