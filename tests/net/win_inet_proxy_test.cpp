#include "net/win_inet_proxy.h"

#include <gtest/gtest.h>

#include <thread>

#include "net/internet_error.h"
#include "net/url_parts.h"
#include "net_test_support.h"
#include "support/loopback_server.h"

namespace corvane {
namespace {

using test::LoopbackServer;
using test::RecordingPolicy;

std::string Repeat(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
    return s;
}

// One exchange driven step by step as the protocol object drives it.
struct Exchange {
    CWinInetProxy inet;
    HINTERNET internet = nullptr, connection = nullptr, request = nullptr;

    bool Fetch(const std::string& url, int method, CCheckResult& result, CTracePolicy& policy,
               int timeout = 5000) {
        const CUrlParts parts(url);
        internet = inet.OpenInternet(timeout, "", false, "", 0);
        connection = inet.ConnectHttp(internet, parts);
        request = inet.OpenRequest(connection, parts, method);
        inet.SendRequest(request, false, "user", "secret", "", "");
        return inet.ReceiveResponse(request, parts, method, result, policy);
    }
    ~Exchange() { inet.CloseHandles({request, connection, internet}); }
};

class WinInetProxyTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.Get("/fixed", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(Repeat(3000), "application/octet-stream");
        });
        server.Get("/chunked", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/octet-stream",
                                             [](size_t offset, httplib::DataSink& sink) {
                                                 if (offset < 2500) {
                                                     const std::string piece = Repeat(500);
                                                     sink.write(piece.data(), piece.size());
                                                 } else {
                                                     sink.done();
                                                 }
                                                 return true;
                                             });
        });
        server.Get("/status/(\\d+)", [](const httplib::Request& req, httplib::Response& res) {
            res.status = std::stoi(req.matches[1]);
            if (res.status == 301 || res.status == 302) res.set_header("Location", "/fixed");
            res.set_content("status", "text/plain");
        });
        server.Get("/dated", [](const httplib::Request& req, httplib::Response& res) {
            res.set_header("Last-Modified",
                           req.has_param("bad") ? "whenever" : "Sun, 06 Nov 1994 08:49:37 GMT");
            res.set_content("x", "text/plain");
        });
        server.Start();
    }
    LoopbackServer server;
};

TEST_F(WinInetProxyTest, BodyIsReadInPiecesWithThePolicyAskedAfterEachAndAtTheEnd) {
    for (const char* path : {"/fixed", "/chunked"}) {
        SCOPED_TRACE(path);
        Exchange x;
        RecordingPolicy policy;
        CCheckResult r;
        ASSERT_TRUE(x.Fetch(server.Url(path), METHOD_GET, r, policy));
        const std::size_t total = std::string(path) == "/fixed" ? 3000 : 2500;
        EXPECT_EQ(r.m_nStatus, CHECK_OK);
        EXPECT_EQ(r.m_nHttpStatus, 200);
        EXPECT_EQ(r.m_body.size(), total);
        EXPECT_EQ(std::string(r.m_body.begin(), r.m_body.begin() + 26), Repeat(26));
        // Without Content-Length the length is the body's size.
        EXPECT_EQ(r.m_nContentLength, static_cast<std::int32_t>(total));
        // Full pieces of 1024 bytes, the rest, and once more after the final, empty read.
        EXPECT_EQ(policy.m_sizes, (std::vector<std::size_t>{1024, 2048, total, total}));
        EXPECT_EQ(r.m_strHeaders.rfind("HTTP/1.1 200", 0), 0u) << r.m_strHeaders;
        EXPECT_EQ(r.m_strHeaders.substr(r.m_strHeaders.size() - 4), "\r\n\r\n");
    }
}

TEST_F(WinInetProxyTest, RequestsBypassCachesAndCarryNoCredentialsUnlessAsked) {
    Exchange x;
    RecordingPolicy policy;
    CCheckResult r;
    ASSERT_TRUE(x.Fetch(server.Url("/fixed?page=a%20b"), METHOD_GET, r, policy));
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/fixed?page=a%20b");
    EXPECT_EQ(requests[0].Header("Cache-Control"), "no-cache");
    EXPECT_EQ(requests[0].Header("Pragma"), "no-cache");
    EXPECT_EQ(requests[0].Header("Accept"), "*/*");
    EXPECT_EQ(requests[0].Header("Authorization"), "");
}

TEST_F(WinInetProxyTest, HeadReadsNoBodyAndGivesZeroLengthWithoutContentLength) {
    Exchange x;
    RecordingPolicy policy;
    CCheckResult r;
    ASSERT_TRUE(x.Fetch(server.Url("/chunked"), METHOD_HEAD, r, policy));
    EXPECT_EQ(r.m_nStatus, CHECK_OK);
    EXPECT_EQ(r.m_nHttpStatus, 200);
    EXPECT_TRUE(r.m_body.empty());
    EXPECT_EQ(r.m_nContentLength, 0);
    EXPECT_TRUE(policy.m_sizes.empty());
    EXPECT_EQ(server.Requests().at(0).method, "HEAD");
}

TEST_F(WinInetProxyTest, StatusCodesAreClassified) {
    const std::pair<int, int> cases[] = {
        {304, CHECK_OK},    {404, CHECK_ERROR}, {408, CHECK_TIMEOUT},
        {500, CHECK_ERROR}, {301, CHECK_ERROR}, {302, CHECK_ERROR},
        {307, CHECK_ERROR}, {401, CHECK_ERROR}, {204, CHECK_OK}};
    for (auto [code, expected] : cases) {
        Exchange x;
        RecordingPolicy policy;
        CCheckResult r;
        ASSERT_TRUE(x.Fetch(server.Url("/status/" + std::to_string(code)), METHOD_GET, r, policy))
            << code;
        EXPECT_EQ(r.m_nHttpStatus, code);
        EXPECT_EQ(r.m_nStatus, expected) << code;
        if (code == 301) {
            EXPECT_EQ(r.m_strLocation, "/fixed");  // as sent, not resolved
        }
    }
}

TEST_F(WinInetProxyTest, LastModifiedIsParsedOrLeftAtZero) {
    {
        Exchange x;
        RecordingPolicy policy;
        CCheckResult r;
        ASSERT_TRUE(x.Fetch(server.Url("/dated"), METHOD_GET, r, policy));
        EXPECT_EQ(r.m_tLastModified, 784111777);
    }
    {
        Exchange x;
        RecordingPolicy policy;
        CCheckResult r;
        ASSERT_TRUE(x.Fetch(server.Url("/dated?bad"), METHOD_GET, r, policy));
        EXPECT_EQ(r.m_tLastModified, 0);
        EXPECT_EQ(r.m_nStatus, CHECK_OK);
    }
}

TEST_F(WinInetProxyTest, PolicyStopsOrAbortsTheRead) {
    {
        Exchange x;
        RecordingPolicy policy;
        policy.m_nAnswer = CTracePolicy::READ_STOP;
        CCheckResult r;
        ASSERT_TRUE(x.Fetch(server.Url("/fixed"), METHOD_GET, r, policy));
        EXPECT_EQ(r.m_body.size(), 1024u);
        EXPECT_EQ(r.m_nStatus, CHECK_OK);
        EXPECT_EQ(policy.m_sizes.size(), 1u);
    }
    {
        Exchange x;
        RecordingPolicy policy;
        policy.m_nAnswer = CTracePolicy::READ_ABORT;
        CCheckResult r;
        EXPECT_FALSE(x.Fetch(server.Url("/fixed"), METHOD_GET, r, policy));
        EXPECT_EQ(r.m_nStatus, CHECK_ERROR);
        EXPECT_EQ(r.m_nHttpStatus, 0);  // left as the caller made it
    }
    {
        Exchange x;
        RecordingPolicy policy;
        policy.m_bRunning = false;
        CCheckResult r;
        EXPECT_FALSE(x.Fetch(server.Url("/fixed"), METHOD_GET, r, policy));
        EXPECT_TRUE(policy.m_sizes.empty());
    }
}

TEST_F(WinInetProxyTest, ClosedOrUnknownHandlesFailWithoutHarm) {
    CWinInetProxy inet;
    const CUrlParts url(server.Url("/fixed"));
    HINTERNET internet = inet.OpenInternet(1000, "", false, "", 0);
    inet.CloseHandles({internet});
    EXPECT_EQ(inet.ConnectHttp(internet, url), nullptr);
    EXPECT_EQ(GetLastInternetError(), INET_ERROR_INVALID_HANDLE);
    std::vector<char> chunk{'x'};
    EXPECT_FALSE(inet.ReadChunk(nullptr, chunk));
    EXPECT_TRUE(chunk.empty());
    EXPECT_THROW(inet.SendRequest(nullptr, false, "", "", "", ""), CInternetException);
    inet.CloseHandles({nullptr, internet});  // twice, and null: nothing happens
}

TEST_F(WinInetProxyTest, CloseHandlesFromAnotherThreadEndsABlockedSend) {
    server.Get("/silent", [this](const httplib::Request&, httplib::Response& res) {
        server.Sleep(30000);
        res.set_content("late", "text/plain");
    });
    CWinInetProxy inet;
    const CUrlParts url(server.Url("/silent"));
    HINTERNET internet = inet.OpenInternet(20000, "", false, "", 0);
    HINTERNET connection = inet.ConnectHttp(internet, url);
    HINTERNET request = inet.OpenRequest(connection, url, METHOD_GET);
    std::thread closer([&] {
        test::WaitUntil([&] { return server.RequestCount() > 0; });
        inet.CloseHandles({request, connection, internet});
    });
    const auto start = std::chrono::steady_clock::now();
    try {
        inet.SendRequest(request, false, "", "", "", "");
        ADD_FAILURE() << "send went through a closed handle";
    } catch (const CInternetException& e) {
        EXPECT_EQ(e.GetErrorCode(), INET_ERROR_OPERATION_CANCELLED);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    closer.join();
}

}  // namespace
}  // namespace corvane
