#include "net/check_protocol.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "net/url_parts.h"
#include "net_test_support.h"

namespace corvane {
namespace {

using ::testing::_;
using ::testing::InSequence;

using test::CProtocolBase;

class MockListener : public CProtocolBase {
public:
    MOCK_METHOD(void, NotifyBegin, (const CUrlParts&), (override));
    MOCK_METHOD(void, NotifyProgress, (const CUrlParts&, std::size_t), (override));
    MOCK_METHOD(void, NotifyEnd, (const CUrlParts&), (override));
};

// Fills the result and reports progress the way a fetching protocol does.
class FakeFetcher : public CProtocolBase {
public:
    int m_nDoChecks = 0;
    void DoCheck(const CUrlParts& url, int, CCheckResult& result) override {
        ++m_nDoChecks;
        NotifyProgress(url, 1024);
        result.m_nStatus = CHECK_OK;
        result.m_nHttpStatus = 200;
    }
};

TEST(CheckProtocol, CheckNotifiesEveryListenerAroundTheFetchInOrder) {
    FakeFetcher fetcher;
    MockListener first, second;
    fetcher.AddListener(&first);
    fetcher.AddListener(&second);
    {
        InSequence order;
        EXPECT_CALL(first, NotifyBegin(_));
        EXPECT_CALL(second, NotifyBegin(_));
        EXPECT_CALL(first, NotifyProgress(_, 1024u));
        EXPECT_CALL(second, NotifyProgress(_, 1024u));
        EXPECT_CALL(first, NotifyEnd(_));
        EXPECT_CALL(second, NotifyEnd(_));
    }
    const CCheckResult r = fetcher.CheckText("http://wiki.example/index.php?FrontPage", 4);
    EXPECT_EQ(r.m_nStatus, CHECK_OK);
    EXPECT_EQ(r.m_nMethod, 4);
    EXPECT_EQ(r.m_strURL, "http://wiki.example/index.php?FrontPage");
}

TEST(CheckProtocol, UnusableUrlIsBadUrlWithoutFetchOrNotification) {
    FakeFetcher fetcher;
    MockListener listener;
    fetcher.AddListener(&listener);
    EXPECT_CALL(listener, NotifyBegin(_)).Times(0);
    EXPECT_CALL(listener, NotifyEnd(_)).Times(0);
    for (const char* text : {"", "index.php?page", "http:///nohost"}) {
        const CCheckResult r = fetcher.CheckText(text, 4);
        EXPECT_EQ(r.m_nStatus, CHECK_BADURL) << text;
        EXPECT_EQ(r.m_nMethod, 4);
        EXPECT_TRUE(r.m_strURL.empty());
    }
    EXPECT_EQ(fetcher.m_nDoChecks, 0);
}

TEST(CheckProtocol, BaseDoesNothingAndRemovedListenersHearNothing) {
    CProtocolBase plain;
    const CCheckResult r = plain.CheckText("http://wiki.example/", 3);
    EXPECT_EQ(r.m_nStatus, CHECK_ERROR);  // DoCheck of the base fetches nothing

    FakeFetcher fetcher;
    MockListener listener;
    fetcher.AddListener(&listener);
    fetcher.RemoveListener(&listener);
    EXPECT_CALL(listener, NotifyBegin(_)).Times(0);
    fetcher.CheckText("http://wiki.example/", 4);
    EXPECT_TRUE(fetcher.GetListeners().empty());
}

}  // namespace
}  // namespace corvane
