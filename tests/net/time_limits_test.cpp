// Nothing hangs: a server that keeps a page coming a byte at a time is cut off at the page's
// time limit with the reason, while a body that keeps arriving for longer in total than the
// idle time-out (but within the limit) comes back whole.
#include <gtest/gtest.h>

#include "net/http_protocol.h"
#include "net/url_parts.h"
#include "platform/sjis_text.h"
#include "support/loopback_server.h"

namespace corvane {
namespace {

using test::LoopbackServer;

class TimeLimitsTest : public ::testing::Test {
protected:
    // /drip?n=N&ms=M: N bytes "0123456789...", one every M milliseconds (a type the server
    // does not compress, which would hold the bytes back).
    void SetUp() override {
        server.Get("/drip", [this](const httplib::Request& req, httplib::Response& res) {
            const int count = std::stoi(req.get_param_value("n"));
            const int pause = std::stoi(req.get_param_value("ms"));
            res.set_chunked_content_provider(
                "application/octet-stream",
                [this, count, pause](size_t offset, httplib::DataSink& sink) {
                    if (offset >= static_cast<size_t>(count)) {
                        sink.done();
                        return true;
                    }
                    if (!server.Sleep(pause)) return false;
                    const char byte = static_cast<char>('0' + offset % 10);
                    return sink.write(&byte, 1);
                });
        });
        server.Start();
    }
    CCheckResult Fetch(int count, int pauseMs) {
        const std::string url =
            server.Url("/drip?n=" + std::to_string(count) + "&ms=" + std::to_string(pauseMs));
        return protocol.CheckFollowingRedirects(CUrlParts(url), METHOD_GET);
    }
    static std::string Digits(int count) {
        std::string out;
        for (int i = 0; i < count; ++i) out += static_cast<char>('0' + i % 10);
        return out;
    }

    LoopbackServer server;
    CHTTPProtocol protocol;
};

TEST_F(TimeLimitsTest, ASlowDripIsCutOffAtThePageTimeLimitWithTheReason) {
    protocol.SetTimeout(2000);        // idle: each byte comes well within it
    protocol.SetPageTimeLimit(1500);  // the page in all
    // 40 bytes at 250 ms: 10 s, which the idle time-out alone would let through.
    const CCheckResult r = Fetch(40, 250);
    EXPECT_EQ(r.m_nStatus, CHECK_TIMEOUT);
    EXPECT_EQ(r.m_strError,
              CSjisText("ページの取得が制限時間 (2 秒) を超えたため打ち切りました").str());
    EXPECT_TRUE(r.m_body.empty());
}

TEST_F(TimeLimitsTest, ABodyLongerInTotalThanTheIdleTimeOutComesBackWhole) {
    protocol.SetTimeout(1000);
    for (const int limit : {0, 60000}) {
        SCOPED_TRACE(limit);
        protocol.SetPageTimeLimit(limit);
        // 12 bytes at 200 ms: about 2.4 s in all, never 1 s without a byte.
        const CCheckResult r = Fetch(12, 200);
        EXPECT_EQ(r.m_nStatus, CHECK_OK) << r.m_strError;
        EXPECT_EQ(r.m_nHttpStatus, 200);
        EXPECT_EQ(std::string(r.m_body.begin(), r.m_body.end()), Digits(12));
    }
}

}  // namespace
}  // namespace corvane
