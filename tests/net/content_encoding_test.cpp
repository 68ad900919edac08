// Compressed answers: asked for, decoded, limited by their decoded size (a small gzip that
// unpacks to megabytes fails the page), and never kept compressed.
#include <gtest/gtest.h>

#include <cstdio>

#include "net/http_protocol.h"
#include "net/url_parts.h"
#include "support/loopback_server.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using test::LoopbackServer;

// `text` compressed by the gzip program.
std::string Gzip(const std::string& text) {
    test::ScratchDir dir;
    test::WriteFileBytes(dir / "in", text);
    const std::string command = "gzip -9 -c '" + (dir / "in").string() + "'";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

TEST(ContentEncodingTest, CompressedBodiesAreDecodedAndLimitedByTheirDecodedSize) {
    const std::string page = "<html><body>" + std::string(20000, 'w') + "</body></html>";
    const std::string packedPage = Gzip(page);
    const std::string bomb = Gzip(std::string(8 << 20, '\0'));  // 8 MB in about 8 KB
    ASSERT_FALSE(packedPage.empty());
    ASSERT_LT(bomb.size(), 64u * 1024);
    LoopbackServer server;
    server.Get("/(page|bomb|odd)", [&](const httplib::Request& req, httplib::Response& res) {
        const std::string which = req.matches[1];
        // The encoding goes out whether it was asked for or not.
        res.set_header("Content-Encoding", which == "odd" ? "x-squash" : "gzip");
        res.set_content(which == "page"   ? packedPage
                        : which == "bomb" ? bomb
                                          : "zzzz",
                        "text/html");
    });
    server.Start();
    CHTTPProtocol protocol;
    protocol.SetBodyLimits(1 << 20, 1 << 20);

    CCheckResult r = protocol.CheckFollowingRedirects(CUrlParts(server.Url("/page")), METHOD_GET);
    EXPECT_EQ(r.m_nStatus, CHECK_OK) << r.m_strError;
    EXPECT_EQ(std::string(r.m_body.begin(), r.m_body.end()), page);
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(server.Requests()[0].Header("Accept-Encoding"), "gzip, deflate");

    r = protocol.CheckFollowingRedirects(CUrlParts(server.Url("/bomb")), METHOD_GET);
    EXPECT_EQ(r.m_nStatus, CHECK_ERROR);
    EXPECT_EQ(r.m_strError, CHTTPProtocol::TooLargeError());
    EXPECT_TRUE(r.m_body.empty());

    // An encoding nobody asked for and nothing can decode: the page fails, nothing is kept.
    r = protocol.CheckFollowingRedirects(CUrlParts(server.Url("/odd")), METHOD_GET);
    EXPECT_NE(r.m_nStatus, CHECK_OK);
    EXPECT_TRUE(r.m_body.empty());
}

}  // namespace
}  // namespace corvane
