// The loopback server and test certificates are shared by every network test, so they get
// a check of their own with an independent client.
#include "support/loopback_server.h"

#include <gtest/gtest.h>

#include "support/test_paths.h"

namespace corvane::test {
namespace {

TEST(LoopbackServer, ServesAndRecordsRequests) {
    LoopbackServer server;
    server.Get("/index.php", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("hello", "text/plain");
    });
    server.Start();
    ASSERT_GT(server.Port(), 0);

    httplib::Client client("127.0.0.1", server.Port());
    auto res = client.Get("/index.php?FrontPage", {{"X-Probe", "1"}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->body, "hello");
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/index.php?FrontPage");
    EXPECT_EQ(requests[0].Header("x-probe"), "1");
}

TEST(LoopbackServer, StopWakesAStalledHandler) {
    auto server = std::make_unique<LoopbackServer>();
    server->Get("/stall", [&](const httplib::Request&, httplib::Response& res) {
        server->Sleep(60000);
        res.set_content("late", "text/plain");
    });
    server->Start();
    std::thread client([port = server->Port()] {
        httplib::Client c("127.0.0.1", port);
        c.set_read_timeout(10, 0);
        c.Get("/stall");
    });
    while (server->RequestCount() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto start = std::chrono::steady_clock::now();
    server.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    client.join();
}

TEST(LoopbackServer, HttpsCertificateVerifiesAgainstTheTestCa) {
    TestCa ca;
    ScratchDir dir;
    ca.WriteCertFile(dir / "ca.pem");
    LoopbackServer server(ca.Issue("localhost"));
    server.Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("secure", "text/plain");
    });
    server.Start();
    EXPECT_EQ(server.Url("/x", "localhost").substr(0, 18), "https://localhost:");

    httplib::SSLClient good("localhost", server.Port());
    good.set_ca_cert_path((dir / "ca.pem").c_str());
    good.enable_server_certificate_verification(true);
    auto res = good.Get("/");
    ASSERT_TRUE(res) << httplib::to_string(res.error());
    EXPECT_EQ(res->body, "secure");

    // Another CA's client refuses it.
    TestCa other("Other CA");
    other.WriteCertFile(dir / "other.pem");
    httplib::SSLClient bad("localhost", server.Port());
    bad.set_ca_cert_path((dir / "other.pem").c_str());
    bad.enable_server_certificate_verification(true);
    EXPECT_FALSE(bad.Get("/"));
}

}  // namespace
}  // namespace corvane::test
