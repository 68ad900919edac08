#include "net/http_protocol.h"

#include <gtest/gtest.h>

#include <thread>

#include "corvane_version.h"
#include "net/internet_error.h"
#include "net/url_parts.h"
#include "net_test_support.h"
#include "platform/manual_reset_event.h"
#include "support/http_auth.h"
#include "support/loopback_server.h"

namespace corvane {
namespace {

using test::LoopbackServer;
using test::RecordingListener;
using Clock = std::chrono::steady_clock;

const char kUser[] = "alice";
const char kPassword[] = "s3cret";

// Pages behind Basic (/basic/...) and Digest (/digest/...) authentication.
void AddProtectedPages(LoopbackServer& server) {
    server.Get("/basic/.*", [](const httplib::Request& req, httplib::Response& res) {
        if (!test::BasicAuthorizationValid(req, kUser, kPassword)) {
            res.status = 401;
            res.set_header("WWW-Authenticate", test::BasicChallenge("wiki"));
            res.set_content("denied", "text/plain");
            return;
        }
        res.set_content("welcome " + req.path, "text/plain");
    });
    server.Get("/digest/.*", [](const httplib::Request& req, httplib::Response& res) {
        if (!test::DigestAuthorizationValid(req, kUser, kPassword, "wiki")) {
            res.status = 401;
            res.set_header("WWW-Authenticate", test::DigestChallenge("wiki", "n0nce42"));
            res.set_content("denied", "text/plain");
            return;
        }
        res.set_content("welcome " + req.path, "text/plain");
    });
}

std::string Body(const CCheckResult& r) { return std::string(r.m_body.begin(), r.m_body.end()); }

TEST(HttpProtocol, FetchNotifiesListenersAndKeepsTheUrlAsGiven) {
    LoopbackServer server;
    server.Get("/index.php", [](const httplib::Request&, httplib::Response& res) {
        // Two and a half of the protocol's read pieces.
        res.set_content(std::string(CHTTPProtocol::LARGE_PIECE_SIZE * 5 / 2, 'w'), "text/html");
    });
    server.Start();
    CHTTPProtocol protocol;
    RecordingListener listener;
    protocol.AddListener(&listener);
    const std::string url = server.Url("/index.php?FrontPage");
    const CCheckResult r = protocol.CheckText(url, METHOD_GET);
    EXPECT_EQ(r.m_nStatus, CHECK_OK);
    EXPECT_EQ(r.m_strURL, url);
    EXPECT_EQ(r.m_nMethod, METHOD_GET);
    EXPECT_EQ(r.m_body.size(), CHTTPProtocol::LARGE_PIECE_SIZE * 5 / 2);
    EXPECT_TRUE(r.m_strError.empty());
    EXPECT_EQ(listener.m_nBegins, 1);
    EXPECT_EQ(listener.m_nEnds, 1);
    EXPECT_EQ(listener.m_nProgress, 4);  // two full pieces, the rest and the end
    EXPECT_EQ(listener.m_nLastBytes, CHTTPProtocol::LARGE_PIECE_SIZE * 5 / 2);

    // A Stop while nothing is fetched changes nothing.
    protocol.Stop();
    EXPECT_EQ(protocol.CheckText(url, METHOD_GET).m_nStatus, CHECK_OK);
}

TEST(HttpProtocol, CredentialsFollowTheFirst401AndStayOn) {
    for (const char* scheme : {"basic", "digest"}) {
        SCOPED_TRACE(scheme);
        LoopbackServer server;
        AddProtectedPages(server);
        server.Start();
        CHTTPProtocol protocol;
        protocol.SetUser(kUser);
        protocol.SetPassword(kPassword);

        const std::string prefix = std::string("/") + scheme + "/";
        CCheckResult r = protocol.CheckText(server.Url(prefix + "one"), METHOD_GET);
        EXPECT_EQ(r.m_nStatus, CHECK_OK);
        EXPECT_EQ(r.m_nHttpStatus, 200);
        EXPECT_EQ(Body(r), "welcome " + prefix + "one");
        EXPECT_TRUE(protocol.SendsCredentials());
        auto requests = server.Requests();
        ASSERT_GE(requests.size(), 2u);
        EXPECT_EQ(requests[0].Header("Authorization"), "");  // the first goes out bare
        EXPECT_NE(requests.back().Header("Authorization"), "");

        // The next page sends them from the start (Digest needs one challenge round).
        server.ClearRequests();
        r = protocol.CheckText(server.Url(prefix + "two"), METHOD_GET);
        EXPECT_EQ(r.m_nHttpStatus, 200);
        requests = server.Requests();
        if (std::string(scheme) == "basic") {
            ASSERT_EQ(requests.size(), 1u);
            EXPECT_EQ(requests[0].Header("Authorization"),
                      "Basic " + test::Base64(std::string(kUser) + ":" + kPassword));
        } else {
            EXPECT_EQ(requests.back().Header("Authorization").rfind("Digest ", 0), 0u);
        }
    }
}

TEST(HttpProtocol, NoAuthorizationWithoutCredentials) {
    LoopbackServer server;
    AddProtectedPages(server);
    server.Get("/open", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("open", "text/plain");
    });
    server.Start();
    CHTTPProtocol protocol;
    protocol.SetUser(kUser);
    protocol.SetPassword(kPassword);
    ASSERT_EQ(protocol.CheckText(server.Url("/basic/one"), METHOD_GET).m_nHttpStatus, 200);
    ASSERT_TRUE(protocol.SendsCredentials());

    // Another origin for which the crawl has no credential: the worker clears both.
    server.ClearRequests();
    protocol.SetUser("");
    protocol.SetPassword("");
    EXPECT_EQ(protocol.CheckText(server.Url("/open", "localhost"), METHOD_GET).m_nHttpStatus, 200);
    // A protected page without credentials: its 401 is final, asked once, still bare.
    EXPECT_EQ(protocol.CheckText(server.Url("/basic/two", "localhost"), METHOD_GET).m_nHttpStatus,
              401);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto& request : requests) {
        EXPECT_FALSE(request.headers.count("Authorization")) << request.target;
    }
}

TEST(HttpProtocol, EveryRequestNamesTheProgram) {
    LoopbackServer server;
    server.Get("/.*", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("x", "text/plain");
    });
    server.Start();
    CHTTPProtocol protocol;
    protocol.CheckText(server.Url("/a"), METHOD_GET);
    protocol.SetUserAgent("Other/2");
    protocol.CheckText(server.Url("/b"), METHOD_GET);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Header("User-Agent"), std::string("Corvane/") + CORVANE_VERSION_STRING);
    EXPECT_EQ(CInternetProtocol::DefaultUserAgent(), requests[0].Header("User-Agent"));
    EXPECT_EQ(requests[1].Header("User-Agent"), "Other/2");
}

TEST(HttpProtocol, Ipv6LiteralHosts) {
    const CUrlParts url("http://[::1]:8080/wiki/?FrontPage");
    ASSERT_TRUE(url.IsValid());
    EXPECT_EQ(url.GetHost(), "[::1]");
    EXPECT_EQ(url.GetPort(), 8080u);

    LoopbackServer server;
    server.Get("/index.php", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("six " + req.get_header_value("Host"), "text/plain");
    });
    if (!server.TryStart("::1")) GTEST_SKIP() << "this machine has no IPv6 loopback (::1)";
    CHTTPProtocol protocol;
    const std::string target = server.Url("/index.php?FrontPage");
    ASSERT_EQ(target.rfind("http://[::1]:", 0), 0u);
    const CCheckResult r = protocol.CheckText(target, METHOD_GET);
    EXPECT_EQ(r.m_nStatus, CHECK_OK) << r.m_strError;
    EXPECT_EQ(Body(r), "six [::1]:" + std::to_string(server.Port()));
}

TEST(HttpProtocol, BasicCredentialsGoOutAtTheSecondRequest) {
    LoopbackServer server;
    AddProtectedPages(server);
    server.Start();
    CHTTPProtocol protocol;
    protocol.SetUser(kUser);
    protocol.SetPassword(kPassword);
    const CCheckResult r = protocol.CheckText(server.Url("/basic/one"), METHOD_GET);
    EXPECT_EQ(r.m_nHttpStatus, 200);
    EXPECT_EQ(server.RequestCount(), 2u);
}

TEST(HttpProtocol, A401WithCredentialsIsFinal) {
    LoopbackServer server;
    AddProtectedPages(server);
    server.Start();
    CHTTPProtocol protocol;
    protocol.SetUser(kUser);
    protocol.SetPassword("wrong");
    const CCheckResult r = protocol.CheckText(server.Url("/basic/one"), METHOD_GET);
    EXPECT_EQ(r.m_nHttpStatus, 401);
    EXPECT_EQ(r.m_nStatus, CHECK_ERROR);
    EXPECT_EQ(server.RequestCount(), 2u);
}

TEST(HttpProtocol, ServerThatNeverAnswersTimesOut) {
    LoopbackServer server;
    server.Get("/silent", [&server](const httplib::Request&, httplib::Response& res) {
        server.Sleep(30000);
        res.set_content("late", "text/plain");
    });
    server.Start();
    CHTTPProtocol protocol;
    protocol.SetTimeout(400);
    const auto start = Clock::now();
    const CCheckResult r = protocol.CheckText(server.Url("/silent"), METHOD_GET);
    EXPECT_EQ(r.m_nStatus, CHECK_TIMEOUT);
    EXPECT_EQ(r.m_strError, InternetErrorReason(INET_ERROR_TIMEOUT));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
}

TEST(HttpProtocol, ConnectionCutInTheBodyIsAnError) {
    LoopbackServer server;
    server.Get("/cut", [](const httplib::Request&, httplib::Response& res) {
        // Promises 100000 bytes, sends 5000, then drops the connection.
        res.set_content_provider(100000, "text/html",
                                 [](size_t offset, size_t, httplib::DataSink& sink) {
                                     if (offset >= 5000) return false;
                                     const std::string piece(5000, 'c');
                                     sink.write(piece.data(), piece.size());
                                     return true;
                                 });
    });
    server.Start();
    CHTTPProtocol protocol;
    const CCheckResult r = protocol.CheckText(server.Url("/cut"), METHOD_GET);
    EXPECT_EQ(r.m_nStatus, CHECK_ERROR);
    EXPECT_TRUE(r.m_body.empty());  // a failed read keeps nothing
}

TEST(HttpProtocol, RefusedConnectionIsAnErrorWithItsMessage) {
    int port = 0;
    {
        LoopbackServer gone;
        gone.Start();
        port = gone.Port();
    }
    CHTTPProtocol protocol;
    const CCheckResult r =
        protocol.CheckText("http://127.0.0.1:" + std::to_string(port) + "/", METHOD_GET);
    EXPECT_EQ(r.m_nStatus, CHECK_ERROR);
    EXPECT_EQ(r.m_strError, InternetErrorReason(INET_ERROR_CANNOT_CONNECT));
}

// A large body sent slowly: 1 KB every 20 ms for up to 20 seconds.
void AddSlowPage(LoopbackServer& server) {
    server.Get("/slow", [&server](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("application/octet-stream",
                                         [&server](size_t offset, httplib::DataSink& sink) {
                                             if (offset >= 1024 * 1000 || !server.Sleep(20))
                                                 return false;
                                             const std::string piece(1024, 's');
                                             return sink.write(piece.data(), piece.size());
                                         });
    });
}

TEST(HttpProtocol, StopFromAnotherThreadEndsASlowFetch) {
    LoopbackServer server;
    AddSlowPage(server);
    server.Start();
    CHTTPProtocol protocol;
    RecordingListener listener;
    protocol.AddListener(&listener);
    Clock::time_point stopped;
    std::thread stopper([&] {
        test::WaitUntil([&] { return listener.m_nProgress > 3; });
        stopped = Clock::now();
        protocol.Stop();
    });
    const CCheckResult r = protocol.CheckText(server.Url("/slow"), METHOD_GET);
    const auto ended = Clock::now();
    stopper.join();
    EXPECT_EQ(r.m_nStatus, CHECK_ERROR);
    EXPECT_GT(listener.m_nProgress, 3);
    EXPECT_LT(ended - stopped, std::chrono::seconds(1));
    EXPECT_FALSE(protocol.IsRunning());
}

TEST(HttpProtocol, AbortEventEndsAFetchWhetherDataFlowsOrNot) {
    LoopbackServer server;
    AddSlowPage(server);
    server.Get("/silent", [&server](const httplib::Request&, httplib::Response& res) {
        server.Sleep(30000);
        res.set_content("late", "text/plain");
    });
    server.Start();
    for (const char* path : {"/slow", "/silent"}) {
        SCOPED_TRACE(path);
        CManualResetEvent abort;
        CHTTPProtocol protocol;
        protocol.SetAbortEvent(&abort);
        const std::size_t before = server.RequestCount();
        Clock::time_point set;
        std::thread aborter([&] {
            test::WaitUntil([&] { return server.RequestCount() > before; });
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            set = Clock::now();
            abort.Set();
        });
        const CCheckResult r = protocol.CheckText(server.Url(path), METHOD_GET);
        const auto ended = Clock::now();
        aborter.join();
        EXPECT_EQ(r.m_nStatus, CHECK_ERROR);
        EXPECT_LT(ended - set, std::chrono::seconds(1));
        // While the event stays set nothing is fetched.
        EXPECT_EQ(protocol.CheckText(server.Url("/silent"), METHOD_GET).m_nStatus, CHECK_ERROR);
    }
}

TEST(HttpProtocol, OneObjectKeepsItsConnectionFromFetchToFetch) {
    LoopbackServer server;
    server.Server().set_keep_alive_max_count(1000);
    server.Server().set_keep_alive_timeout(5);
    server.Get("/page.*", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("page " + req.path + std::string(3000, 'p'), "text/html");
    });
    server.Get("/moved", [&server](const httplib::Request&, httplib::Response& res) {
        res.status = 301;
        res.set_header("Location", server.Url("/page-target"));
    });
    AddProtectedPages(server);
    AddSlowPage(server);
    server.Start();

    CHTTPProtocol protocol;
    protocol.SetUser(kUser);
    protocol.SetPassword(kPassword);
    for (const char* path : {"/page1", "/page2", "/moved", "/basic/a", "/basic/b", "/page3"}) {
        const CCheckResult r =
            protocol.CheckFollowingRedirects(CUrlParts(server.Url(path)), METHOD_GET);
        EXPECT_EQ(r.m_nStatus, CHECK_OK) << path;
        EXPECT_EQ(Body(r).substr(0, 5), path[1] == 'b' ? "welco" : "page ") << path;
    }
    // Eight requests (a redirect and a 401 among them) on one connection.
    EXPECT_EQ(server.RequestCount(), 8u);
    EXPECT_EQ(server.ConnectionCount(), 1u);

    // Another object has its own connection.
    CHTTPProtocol other;
    EXPECT_EQ(other.CheckText(server.Url("/page4"), METHOD_GET).m_nStatus, CHECK_OK);
    EXPECT_EQ(server.ConnectionCount(), 2u);

    // A fetch stopped in the middle of a body leaves no half-read connection behind: the
    // next fetch gets its whole answer.
    RecordingListener listener;
    protocol.AddListener(&listener);
    std::thread stopper([&] {
        test::WaitUntil([&] { return listener.m_nProgress > 2; });
        protocol.Stop();
    });
    EXPECT_EQ(protocol.CheckText(server.Url("/slow"), METHOD_GET).m_nStatus, CHECK_ERROR);
    stopper.join();
    const CCheckResult after = protocol.CheckText(server.Url("/page5"), METHOD_GET);
    EXPECT_EQ(after.m_nStatus, CHECK_OK);
    EXPECT_EQ(Body(after), "page /page5" + std::string(3000, 'p'));
}

TEST(HttpProtocol, UnresolvableHostIsTriedSixTimesOneSecondApart) {
    std::atomic<int> opens{0};
    CHTTPProtocol protocol(new test::CountingProxy(&opens));
    const auto start = Clock::now();
    const CCheckResult r = protocol.CheckText("http://no-such-wiki.invalid/", METHOD_GET);
    const auto elapsed = Clock::now() - start;
    EXPECT_EQ(opens, 6);
    EXPECT_EQ(r.m_nStatus, CHECK_ERROR);
    EXPECT_EQ(r.m_strError, InternetErrorReason(INET_ERROR_NAME_NOT_RESOLVED));
    EXPECT_GE(elapsed, std::chrono::milliseconds(4900));
    EXPECT_LT(elapsed, std::chrono::seconds(9));
}

}  // namespace
}  // namespace corvane
