// Following redirects: the chain's end, the cap on requests, the moved-to rule, and
// credentials that stay with their own site.
#include <gtest/gtest.h>

#include "net/http_protocol.h"
#include "net/url_parts.h"
#include "support/http_auth.h"
#include "support/loopback_server.h"

namespace corvane {
namespace {

using test::LoopbackServer;

class RedirectTest : public ::testing::Test {
protected:
    void SetUp() override {
        // /r/<code>/<rest>: answers <code> with Location /<rest> (absolute).
        server.Get("/r/(\\d+)/(.*)", [this](const httplib::Request& req, httplib::Response& res) {
            res.status = std::stoi(req.matches[1]);
            res.set_header("Location", server.Url("/" + req.matches[2].str()));
        });
        server.Get("/relative", [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", "/final");
        });
        // /chain/<n>: 302 to /chain/<n+1>, forever.
        server.Get("/chain/(\\d+)", [this](const httplib::Request& req, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location",
                           server.Url("/chain/" + std::to_string(std::stoi(req.matches[1]) + 1)));
        });
        server.Get("/final", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("final page", "text/html");
        });
        server.Start();
    }
    LoopbackServer server;
    CHTTPProtocol protocol;
};

TEST_F(RedirectTest, LeadingPermanentRedirectSetsMovedTo) {
    const std::string first = server.Url("/r/302/final");
    CCheckResult r =
        protocol.CheckFollowingRedirects(CUrlParts(server.Url("/r/301/r/302/final")), METHOD_GET);
    EXPECT_EQ(r.m_nStatus, CHECK_OK);
    EXPECT_EQ(r.m_nHttpStatus, 200);
    EXPECT_EQ(std::string(r.m_body.begin(), r.m_body.end()), "final page");
    EXPECT_EQ(r.m_strURL, server.Url("/final"));
    EXPECT_EQ(r.m_strMovedTo, first);
    EXPECT_EQ(server.RequestCount(), 3u);

    r = protocol.CheckFollowingRedirects(CUrlParts(server.Url("/r/302/r/301/final")), METHOD_GET);
    EXPECT_EQ(r.m_nHttpStatus, 200);
    EXPECT_EQ(r.m_strMovedTo, "");

    // Two permanent redirects in a row: moved to where the second pointed.
    r = protocol.CheckFollowingRedirects(CUrlParts(server.Url("/r/301/r/301/final")), METHOD_GET);
    EXPECT_EQ(r.m_strMovedTo, server.Url("/final"));

    // A single answer is returned as it is.
    r = protocol.CheckFollowingRedirects(CUrlParts(server.Url("/final")), METHOD_GET);
    EXPECT_EQ(r.m_nHttpStatus, 200);
    EXPECT_EQ(r.m_strMovedTo, "");
}

TEST_F(RedirectTest, RelativeLocationIsNotFollowed) {
    const CCheckResult r =
        protocol.CheckFollowingRedirects(CUrlParts(server.Url("/relative")), METHOD_GET);
    EXPECT_EQ(r.m_nHttpStatus, 302);
    EXPECT_EQ(r.m_nStatus, CHECK_ERROR);
    EXPECT_EQ(r.m_strLocation, "/final");
    EXPECT_EQ(server.RequestCount(), 1u);
}

TEST_F(RedirectTest, EndlessChainStopsAfterTenRequests) {
    const CCheckResult r =
        protocol.CheckFollowingRedirects(CUrlParts(server.Url("/chain/1")), METHOD_GET);
    EXPECT_EQ(server.RequestCount(), 10u);
    EXPECT_EQ(r.m_nHttpStatus, 302);
    EXPECT_EQ(r.m_strURL, server.Url("/chain/10"));
    EXPECT_EQ(r.m_strLocation, server.Url("/chain/11"));
}

TEST_F(RedirectTest, CredentialsNeverFollowARedirectToAnotherPort) {
    LoopbackServer other;
    other.Get("/elsewhere", [](const httplib::Request& req, httplib::Response& res) {
        if (req.has_header("Authorization")) {
            res.set_content("leaked", "text/plain");
            return;
        }
        res.status = 401;
        res.set_header("WWW-Authenticate", test::BasicChallenge("other"));
    });
    other.Start();
    server.Get("/login", [&other](const httplib::Request& req, httplib::Response& res) {
        if (!test::BasicAuthorizationValid(req, "alice", "pw")) {
            res.status = 401;
            res.set_header("WWW-Authenticate", test::BasicChallenge("wiki"));
            return;
        }
        res.status = 302;
        res.set_header("Location", other.Url("/elsewhere"));
    });
    protocol.SetUser("alice");
    protocol.SetPassword("pw");
    const CCheckResult r =
        protocol.CheckFollowingRedirects(CUrlParts(server.Url("/login")), METHOD_GET);
    // The own site got them (after its 401), the other one never did, not even after a 401.
    EXPECT_EQ(server.Requests().back().Header("Authorization").rfind("Basic ", 0), 0u);
    ASSERT_EQ(other.RequestCount(), 1u);
    EXPECT_EQ(other.Requests()[0].Header("Authorization"), "");
    EXPECT_EQ(r.m_nHttpStatus, 401);
    EXPECT_EQ(r.m_nStatus, CHECK_ERROR);

    // Back on the own site they go out again at once.
    server.ClearRequests();
    EXPECT_EQ(
        protocol.CheckFollowingRedirects(CUrlParts(server.Url("/login")), METHOD_GET).m_nHttpStatus,
        401);
    EXPECT_NE(server.Requests().at(0).Header("Authorization"), "");
    EXPECT_EQ(other.Requests().at(1).Header("Authorization"), "");
}

}  // namespace
}  // namespace corvane
