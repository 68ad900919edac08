// HTTPS: the chain is verified, the host name and the dates are not.
#include <gtest/gtest.h>

#include "net/http_protocol.h"
#include "net/internet_error.h"
#include "net/win_inet_proxy.h"
#include "support/loopback_server.h"
#include "support/test_certificates.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using test::LoopbackServer;

class HttpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ca.WriteCertFile(dir / "ca.pem");
        CWinInetProxy::SetTestCaFile((dir / "ca.pem").string());
    }
    void TearDown() override { CWinInetProxy::SetTestCaFile(""); }

    static void Serve(LoopbackServer& server) {
        server.Get("/", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("secure page", "text/html");
        });
        server.Start();
    }

    test::TestCa ca;
    test::ScratchDir dir;
    CHTTPProtocol protocol;
};

TEST_F(HttpsTest, CertificateForAnotherHostIsAccepted) {
    LoopbackServer server(ca.Issue("wiki.example"));
    Serve(server);
    const CCheckResult r = protocol.CheckText(server.Url("/"), METHOD_GET);
    EXPECT_EQ(r.m_nStatus, CHECK_OK) << r.m_strError;
    EXPECT_EQ(std::string(r.m_body.begin(), r.m_body.end()), "secure page");
}

TEST_F(HttpsTest, ExpiredCertificateIsAccepted) {
    LoopbackServer server(ca.Issue("127.0.0.1", /*expired=*/true));
    Serve(server);
    const CCheckResult r = protocol.CheckText(server.Url("/"), METHOD_GET);
    EXPECT_EQ(r.m_nStatus, CHECK_OK) << r.m_strError;
}

TEST_F(HttpsTest, CertificateFromAnUnknownAuthorityIsRefused) {
    test::TestCa stranger("Stranger CA");
    LoopbackServer server(stranger.Issue("127.0.0.1"));
    Serve(server);
    const CCheckResult r = protocol.CheckText(server.Url("/"), METHOD_GET);
    EXPECT_EQ(r.m_nStatus, CHECK_ERROR);
    EXPECT_EQ(r.m_nHttpStatus, 0);
    EXPECT_EQ(r.m_strError, InternetErrorText(INET_ERROR_INVALID_CA));
    EXPECT_EQ(server.RequestCount(), 0u);
}

}  // namespace
}  // namespace corvane
