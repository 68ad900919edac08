// HTTPS: the chain, the host name and the dates are verified, and the error says which
// failed and what the user can do; a project may opt out of the host name and date checks
// for an intranet wiki, never of the chain.
#include <gtest/gtest.h>

#include "net/http_protocol.h"
#include "net/internet_error.h"
#include "net/win_inet_proxy.h"
#include "platform/sjis_text.h"
#include "support/loopback_server.h"
#include "support/test_certificates.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using test::LoopbackServer;
using Validity = test::TestCa::Validity;

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
};

TEST_F(HttpsTest, EachCertificateProblemIsNamedAndOnlyHostAndDatesCanBeWaived) {
    test::TestCa stranger("Stranger CA");
    struct Case {
        const char* what;
        test::ServerCertificate cert;
        const char* problem;  // empty: accepted
        bool waivable;        // accepted with the project's opt-out
    };
    const Case cases[] = {
        {"valid", ca.Issue("localhost"), "", true},
        {"another host", ca.Issue("wiki.example"), "サーバー証明書のホスト名が接続先と一致しません",
         true},
        {"expired", ca.Issue("localhost", Validity::kExpired),
         "サーバー証明書の有効期限が切れています", true},
        {"not yet valid", ca.Issue("localhost", Validity::kNotYetValid),
         "サーバー証明書の有効期間がまだ始まっていません", true},
        {"unknown issuer", stranger.Issue("localhost"), "サーバー証明書の発行元を確認できません",
         false},
    };
    for (const Case& c : cases) {
        for (const bool insecure : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (insecure ? ", opted out" : ""));
            LoopbackServer server(c.cert);
            Serve(server);
            CHTTPProtocol protocol;
            protocol.SetInsecureTls(insecure);
            const CCheckResult r = protocol.CheckText(server.Url("/", "localhost"), METHOD_GET);
            if (*c.problem == '\0' || (insecure && c.waivable)) {
                EXPECT_EQ(r.m_nStatus, CHECK_OK) << r.m_strError;
                EXPECT_EQ(std::string(r.m_body.begin(), r.m_body.end()), "secure page");
                continue;
            }
            EXPECT_EQ(r.m_nStatus, CHECK_ERROR);
            EXPECT_EQ(r.m_nHttpStatus, 0);
            EXPECT_EQ(server.RequestCount(), 0u);
            EXPECT_EQ(r.m_strError.rfind(CSjisText(c.problem).str(), 0), 0u) << r.m_strError;
            // The setting that would let it through, or that none does.
            EXPECT_NE(r.m_strError.find("(InsecureTls)"), std::string::npos) << r.m_strError;
            EXPECT_EQ(r.m_strError.find(CSjisText("では省略できません").str()) != std::string::npos,
                      !c.waivable);
        }
    }
}

}  // namespace
}  // namespace corvane
