// The way to the web: the proxy the environment names, a given proxy, or a direct
// connection, seen by a small proxy on loopback (a server that answers requests in proxy
// form), and the texts a proxy setting is checked with.
#include "net/proxy_setting.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "net/http_protocol.h"
#include "net/internet_error.h"
#include "platform/text_codec.h"
#include "support/loopback_server.h"

namespace corvane {
namespace {

using test::LoopbackServer;

// A host that no resolver knows: only a proxy can answer for it.
const char kFarHost[] = "wiki.example.test";

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (m_old) {
            setenv(m_name, m_old->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// A loopback proxy that answers every plain-HTTP request with a page naming its target.
struct Proxy {
    LoopbackServer server;
    Proxy() {
        server.Get(".*", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("via proxy", "text/html");
        });
        server.Start();
    }
    std::string Address() const { return "http://127.0.0.1:" + std::to_string(server.Port()); }
    std::vector<std::string> Targets() const {
        std::vector<std::string> targets;
        for (const auto& r : server.Requests()) targets.push_back(r.method + " " + r.target);
        return targets;
    }
};

// A port on the loopback range where nobody listens: a direct request is refused at once.
int ClosedPort() {
    LoopbackServer probe;
    probe.Start();
    const int port = probe.Port();
    probe.Stop();
    return port;
}

CCheckResult Fetch(const std::string& url, bool useProxy, const std::string& host = "",
                   int port = 0) {
    CHTTPProtocol protocol;
    protocol.SetUseProxy(useProxy);
    protocol.SetProxyHost(host);
    protocol.SetProxyPort(port);
    protocol.SetTimeout(5000);
    return protocol.CheckText(url, METHOD_GET);
}

std::string Body(const CCheckResult& r) { return std::string(r.m_body.begin(), r.m_body.end()); }

TEST(Proxy, TheEnvironmentsProxyCarriesRequestsByDefault) {
    Proxy proxy;
    ScopedEnv http("http_proxy", proxy.Address().c_str());
    ScopedEnv no("no_proxy", nullptr);
    ScopedEnv noUpper("NO_PROXY", nullptr);
    // A fresh protocol object, told nothing about proxies.
    CHTTPProtocol protocol;
    protocol.SetTimeout(5000);
    const std::string url = std::string("http://") + kFarHost + "/index.php?FrontPage";
    const CCheckResult r = protocol.CheckText(url, METHOD_GET);
    EXPECT_EQ(r.m_nStatus, CHECK_OK) << r.m_strError;
    EXPECT_EQ(Body(r), "via proxy");
    EXPECT_EQ(proxy.Targets(), std::vector<std::string>{"GET " + url});
}

TEST(Proxy, NoProxyAndTheLoopbackHostGoDirect) {
    Proxy proxy;
    ScopedEnv http("http_proxy", proxy.Address().c_str());
    const std::string closed = "http://127.0.0.2:" + std::to_string(ClosedPort()) + "/";
    struct Case {
        const char* noProxy;
        std::string url;
        bool viaProxy;
    } cases[] = {
        {nullptr, closed, true},
        {"127.0.0.2", closed, false},
        {"example.org,127.0.0.2", closed, false},
        {"*", closed, false},
        // The loopback host is never sent to a proxy: it would reach the proxy's own.
        {nullptr, "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/", false},
        {"example.org", "http://localhost:" + std::to_string(ClosedPort()) + "/", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.noProxy ? c.noProxy : "(unset)") + " " + c.url);
        ScopedEnv no("no_proxy", c.noProxy);
        ScopedEnv noUpper("NO_PROXY", nullptr);
        proxy.server.ClearRequests();
        const CCheckResult r = Fetch(c.url, true);
        EXPECT_EQ(proxy.Targets().size(), c.viaProxy ? 1u : 0u);
        if (!c.viaProxy) {
            EXPECT_EQ(r.m_strError, InternetErrorReason(INET_ERROR_CANNOT_CONNECT));
        }
    }
}

TEST(Proxy, AGivenProxyWinsOverTheEnvironmentAndDirectIgnoresIt) {
    Proxy environment;
    Proxy given;
    ScopedEnv http("http_proxy", environment.Address().c_str());
    const std::string url = std::string("http://") + kFarHost + "/?Top";

    const CCheckResult viaGiven = Fetch(url, true, "127.0.0.1", given.server.Port());
    EXPECT_EQ(Body(viaGiven), "via proxy");
    EXPECT_EQ(given.Targets(), std::vector<std::string>{"GET " + url});
    EXPECT_TRUE(environment.Targets().empty());

    // Direct: the far host is looked up and not found; neither proxy hears of it.
    const std::string closed = "http://127.0.0.2:" + std::to_string(ClosedPort()) + "/";
    const CCheckResult direct = Fetch(closed, false);
    EXPECT_EQ(direct.m_strError, InternetErrorReason(INET_ERROR_CANNOT_CONNECT));
    EXPECT_EQ(given.Targets().size(), 1u);
    EXPECT_TRUE(environment.Targets().empty());
}

TEST(Proxy, HttpsGoesThroughTheEnvironmentsHttpsProxyAsATunnel) {
    Proxy proxy;
    ScopedEnv https("https_proxy", proxy.Address().c_str());
    ScopedEnv httpsUpper("HTTPS_PROXY", nullptr);
    ScopedEnv no("no_proxy", nullptr);
    const CCheckResult r = Fetch(std::string("https://") + kFarHost + "/", true);
    EXPECT_NE(r.m_nStatus, CHECK_OK);
    const auto requests = proxy.server.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().method, "CONNECT");
    EXPECT_EQ(requests.front().target, std::string(kFarHost) + ":443");
}

TEST(ProxySetting, HostsAndAddressesThatAreAccepted) {
    struct Case {
        const char* text;
        bool ok;
        const char* host;
        int port;
    } cases[] = {
        {"proxy.example.com:8080", true, "proxy.example.com", 8080},
        {"10.0.0.1:3128", true, "10.0.0.1", 3128},
        {"[::1]:1", true, "[::1]", 1},
        {"proxy:65535", true, "proxy", 65535},
        {"proxy:65536", false, "", 0},
        {"proxy:0", false, "", 0},
        {"proxy:", false, "", 0},
        {":8080", false, "", 0},
        {"proxy", false, "", 0},
        {"proxy:80a", false, "", 0},
        {"::1:8080", false, "", 0},
        // Nothing that the HTTP library would read as a scheme, credentials or a path.
        {"user:pw@proxy:8080", false, "", 0},
        {"socks5://proxy:1080", false, "", 0},
        {"proxy/x:8080", false, "", 0},
        {"-proxy:8080", false, "", 0},
        {"pro xy:8080", false, "", 0},
        {"proxy\r\n:8080", false, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string host = "unchanged";
        int port = -1;
        EXPECT_EQ(ParseProxyAddress(c.text, host, port), c.ok);
        if (c.ok) {
            EXPECT_EQ(host, c.host);
            EXPECT_EQ(port, c.port);
        } else {
            EXPECT_EQ(host, "unchanged");
            EXPECT_EQ(port, -1);
        }
    }
    EXPECT_FALSE(IsValidProxyHost(""));
    EXPECT_FALSE(IsValidProxyHost("[]"));
    EXPECT_FALSE(IsValidProxyHost("[::1"));
}

TEST(ProxySetting, TheLoopbackHostIsAddedToTheEnvironmentsBypassList) {
    ScopedEnv upper("NO_PROXY", nullptr);
    {
        ScopedEnv no("no_proxy", nullptr);
        EXPECT_EQ(EnvironmentNoProxy(), "localhost,127.0.0.1,::1");
    }
    {
        ScopedEnv no("no_proxy", ".corp.example");
        EXPECT_EQ(EnvironmentNoProxy(), ".corp.example,localhost,127.0.0.1,::1");
    }
    {
        ScopedEnv no("no_proxy", "*");
        EXPECT_EQ(EnvironmentNoProxy(), "*");
    }
    {
        ScopedEnv no("no_proxy", nullptr);
        ScopedEnv upperSet("NO_PROXY", "intra");
        EXPECT_EQ(EnvironmentNoProxy(), "intra,localhost,127.0.0.1,::1");
    }
}

// The usual network failures read in Japanese, the library's English kept after them.
TEST(InternetErrorReason, JapaneseFirstEnglishKept) {
    for (unsigned long code :
         {INET_ERROR_CANNOT_CONNECT, INET_ERROR_NAME_NOT_RESOLVED, INET_ERROR_TIMEOUT,
          INET_ERROR_CONNECTION_RESET, INET_ERROR_SEC_CERT_DATE_INVALID,
          INET_ERROR_SEC_CERT_CN_INVALID, INET_ERROR_INVALID_CA, INET_ERROR_SEC_CERT_ERRORS}) {
        SCOPED_TRACE(code);
        const std::string utf8 = SjisToUtf8(InternetErrorReason(code));
        const std::string english = " (" + InternetErrorText(code) + ")";
        ASSERT_GT(utf8.size(), english.size());
        EXPECT_EQ(utf8.substr(utf8.size() - english.size()), english);
        // The part before the English is Japanese: it starts with a multi-byte character.
        EXPECT_GE(static_cast<unsigned char>(utf8[0]), 0xE3);
    }
    EXPECT_EQ(SjisToUtf8(InternetErrorReason(INET_ERROR_CANNOT_CONNECT)),
              "サーバーに接続できませんでした (A connection with the server could not be "
              "established)");
    // Others stay as the library says them.
    EXPECT_EQ(InternetErrorReason(INET_ERROR_INVALID_URL),
              InternetErrorText(INET_ERROR_INVALID_URL));
}

}  // namespace
}  // namespace corvane
