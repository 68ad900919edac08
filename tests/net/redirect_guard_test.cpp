// Nothing injected from inside: a redirect never carries a fetch from the wiki to this
// machine, the local link or a cloud's metadata service, by address or by host name.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "net/address_class.h"
#include "net/http_protocol.h"
#include "net/url_parts.h"
#include "platform/sjis_text.h"
#include "platform/text_codec.h"
#include "support/loopback_server.h"

namespace corvane {
namespace {

using test::LoopbackServer;

TEST(AddressClassTest, InternalAddressesAreKnownInEveryForm) {
    const std::pair<const char*, unsigned> cases[] = {
        {"127.0.0.1", ADDRESS_LOOPBACK},
        {"127.255.1.2", ADDRESS_LOOPBACK},
        {"0.0.0.0", ADDRESS_LOOPBACK},
        {"::1", ADDRESS_LOOPBACK},
        {"::", ADDRESS_LOOPBACK},
        {"::ffff:127.0.0.1", ADDRESS_LOOPBACK},
        {"169.254.0.1", ADDRESS_LINK_LOCAL},
        {"169.254.169.254", ADDRESS_LINK_LOCAL | ADDRESS_METADATA},
        {"::ffff:169.254.169.254", ADDRESS_LINK_LOCAL | ADDRESS_METADATA},
        {"fe80::1", ADDRESS_LINK_LOCAL},
        {"febf::1", ADDRESS_LINK_LOCAL},
        {"fd00:ec2::254", ADDRESS_METADATA},
        {"100.100.100.200", ADDRESS_METADATA},
        {"169.254.170.2", ADDRESS_LINK_LOCAL | ADDRESS_METADATA},
        {"168.63.129.16", ADDRESS_METADATA},
        {"0.1.2.3", ADDRESS_LOOPBACK},
        {"::ffff:100.100.100.200", ADDRESS_METADATA},
        {"::2", ADDRESS_PUBLIC},
        {"100::1", ADDRESS_PUBLIC},
        {"::127.0.0.1", ADDRESS_PUBLIC},
        {"fd00:ec2::253", ADDRESS_PUBLIC},
        {"169.253.255.255", ADDRESS_PUBLIC},
        {"169.255.0.1", ADDRESS_PUBLIC},
        {"128.0.0.1", ADDRESS_PUBLIC},
        {"fec0::1", ADDRESS_PUBLIC},
        {"10.1.2.3", ADDRESS_PUBLIC},
        {"wiki.example", ADDRESS_PUBLIC},
    };
    for (const auto& [text, classes] : cases) EXPECT_EQ(ClassifyAddress(text), classes) << text;
    // What a redirect may not reach depends on where the page itself was.
    EXPECT_EQ(RefusedAfterRedirect(ADDRESS_PUBLIC), unsigned(ADDRESS_INTERNAL));
    EXPECT_EQ(RefusedAfterRedirect(ADDRESS_LOOPBACK),
              unsigned(ADDRESS_LINK_LOCAL | ADDRESS_METADATA));
    EXPECT_EQ(RefusedAfterRedirect(ADDRESS_LINK_LOCAL),
              unsigned(ADDRESS_LOOPBACK | ADDRESS_METADATA));

    // Socket addresses as the resolver gives them, in either family.
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    inet_pton(AF_INET, "169.254.169.254", &v4.sin_addr);
    EXPECT_EQ(ClassifyAddress(reinterpret_cast<sockaddr*>(&v4)),
              unsigned(ADDRESS_LINK_LOCAL | ADDRESS_METADATA));
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    inet_pton(AF_INET6, "::1", &v6.sin6_addr);
    EXPECT_EQ(ClassifyAddress(reinterpret_cast<sockaddr*>(&v6)), unsigned(ADDRESS_LOOPBACK));
    inet_pton(AF_INET6, "::ffff:127.0.0.1", &v6.sin6_addr);
    EXPECT_EQ(ClassifyAddress(reinterpret_cast<sockaddr*>(&v6)), unsigned(ADDRESS_LOOPBACK));
    sockaddr other{};
    other.sa_family = AF_UNIX;
    EXPECT_EQ(ClassifyAddress(&other), unsigned(ADDRESS_PUBLIC));
    EXPECT_EQ(ClassifyAddress(static_cast<const sockaddr*>(nullptr)), unsigned(ADDRESS_PUBLIC));

    // The log names the most telling class of an address that is in several.
    EXPECT_EQ(AddressClassName(ADDRESS_LINK_LOCAL | ADDRESS_METADATA),
              Utf8ToSjis("メタデータサービス"));
    EXPECT_EQ(AddressClassName(ADDRESS_LINK_LOCAL), Utf8ToSjis("リンクローカル"));
    EXPECT_EQ(AddressClassName(ADDRESS_LOOPBACK), Utf8ToSjis("このコンピューター (ループバック)"));
    EXPECT_EQ(AddressClassName(ADDRESS_PUBLIC), "");
}

// An IPv4 address of this machine that is not loopback, or "" when it has none.
std::string OwnPublicAddress() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return "";
    std::string found;
    for (ifaddrs* it = list; it != nullptr && found.empty(); it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET) continue;
        if (ClassifyAddress(it->ifa_addr) != ADDRESS_PUBLIC) continue;
        char text[INET_ADDRSTRLEN] = "";
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(it->ifa_addr)->sin_addr, text,
                  sizeof text);
        found = text;
    }
    freeifaddrs(list);
    return found;
}

class RedirectGuardTest : public ::testing::Test {
protected:
    // `wiki` answers /go?to=URL with a 302 to URL; `inside` holds a secret at /secret.
    void SetUp() override {
        for (LoopbackServer* server : {&wiki, &wikiOnLoopback}) {
            server->Get("/go", [](const httplib::Request& req, httplib::Response& res) {
                res.status = 302;
                res.set_header("Location", req.get_param_value("to"));
                res.set_content("moved", "text/plain");
            });
        }
        inside.Get("/secret", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("instance credentials", "text/plain");
        });
        inside.Start();
        wikiOnLoopback.Start();
        protocol.SetTimeout(3000);
    }
    CCheckResult Follow(const std::string& url) {
        return protocol.CheckFollowingRedirects(CUrlParts(url), METHOD_GET);
    }
    static std::string Refusal(const std::string& target, const std::string& address,
                               const char* kind) {
        return CSjisText("リダイレクト先 ").str() + target + CSjisText(" を拒否しました: ").str() +
               address + CSjisText(" は").str() + CSjisText(kind).str() +
               CSjisText("のアドレスのため接続しません").str();
    }

    LoopbackServer wiki, wikiOnLoopback, inside;
    CHTTPProtocol protocol;
};

TEST_F(RedirectGuardTest, MetadataAndLinkLocalAreNeverReachedByARedirect) {
    struct Case {
        std::string target, address;
        const char* kind;
    };
    const Case cases[] = {
        {"http://169.254.169.254/latest/meta-data/", "169.254.169.254", "メタデータサービス"},
        {"http://169.254.10.20:8080/", "169.254.10.20", "リンクローカル"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        const CCheckResult r = Follow(wikiOnLoopback.Url("/go?to=" + c.target));
        EXPECT_EQ(r.m_nStatus, CHECK_ERROR);
        EXPECT_EQ(r.m_nHttpStatus, 0);
        EXPECT_TRUE(r.m_body.empty());
        EXPECT_EQ(r.m_strError, Refusal(c.target, c.address, c.kind));
    }
    // The page itself is fetched as before, and redirects between loopback servers (a wiki
    // on this machine) are followed.
    const CCheckResult r =
        Follow(wikiOnLoopback.Url("/go?to=" + inside.Url("/secret", "localhost")));
    EXPECT_EQ(r.m_nStatus, CHECK_OK) << r.m_strError;
    EXPECT_EQ(std::string(r.m_body.begin(), r.m_body.end()), "instance credentials");
}

TEST_F(RedirectGuardTest, AWikiElsewhereCannotSendTheCrawlToThisMachine) {
    const std::string own = OwnPublicAddress();
    if (own.empty() || !wiki.TryStart(own)) GTEST_SKIP() << "no address other than loopback";
    // By address, by name, and through an address that looks like another.
    for (const std::string& target : {inside.Url("/secret"), inside.Url("/secret", "localhost"),
                                      inside.Url("/secret", "[::ffff:127.0.0.1]")}) {
        SCOPED_TRACE(target);
        const CCheckResult r = Follow(wiki.Url("/go?to=" + target, own));
        EXPECT_EQ(r.m_nStatus, CHECK_ERROR);
        EXPECT_TRUE(r.m_body.empty());
        EXPECT_NE(r.m_strError.find(CSjisText("のアドレスのため接続しません").str()),
                  std::string::npos)
            << r.m_strError;
    }
    EXPECT_EQ(inside.RequestCount(), 0u);
}

}  // namespace
}  // namespace corvane
