#include "net/address_class.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <cstring>

#include "platform/sjis_text.h"

namespace corvane {
namespace {

constinit CSjisText kLoopbackName{"このコンピューター (ループバック)"};
constinit CSjisText kLinkLocalName{"リンクローカル"};
constinit CSjisText kMetadataName{"メタデータサービス"};

unsigned ClassifyV4(std::uint32_t host) {
    const unsigned first = host >> 24;
    if (first == 127 || first == 0) return ADDRESS_LOOPBACK;
    unsigned classes = ADDRESS_PUBLIC;
    if ((host >> 16) == 0xA9FE) classes |= ADDRESS_LINK_LOCAL;  // 169.254.0.0/16
    // 169.254.169.254 (most clouds), 169.254.170.2 (container credentials),
    // 100.100.100.200 and 168.63.129.16 (the metadata and wire servers of two more).
    for (std::uint32_t metadata : {0xA9FEA9FEu, 0xA9FEAA02u, 0x646464C8u, 0xA83F8110u}) {
        if (host == metadata) classes |= ADDRESS_METADATA;
    }
    return classes;
}

unsigned ClassifyV6(const unsigned char* a) {
    static const unsigned char kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::memcmp(a, kMapped, 12) == 0) {
        return ClassifyV4(std::uint32_t(a[12]) << 24 | std::uint32_t(a[13]) << 16 |
                          std::uint32_t(a[14]) << 8 | a[15]);
    }
    bool zeroHead = true;
    for (int i = 0; i < 15; ++i) zeroHead = zeroHead && a[i] == 0;
    if (zeroHead && (a[15] == 0 || a[15] == 1)) return ADDRESS_LOOPBACK;   // :: and ::1
    if (a[0] == 0xFE && (a[1] & 0xC0) == 0x80) return ADDRESS_LINK_LOCAL;  // fe80::/10
    // fd00:ec2::254
    static const unsigned char kMetadata[16] = {0xFD, 0, 0x0E, 0xC2, 0, 0, 0,    0,
                                                0,    0, 0,    0,    0, 0, 0x02, 0x54};
    if (std::memcmp(a, kMetadata, 16) == 0) return ADDRESS_METADATA;
    return ADDRESS_PUBLIC;
}

}  // namespace

unsigned ClassifyAddress(const sockaddr* address) {
    if (address == nullptr) return ADDRESS_PUBLIC;
    if (address->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        return ClassifyV4(ntohl(v4->sin_addr.s_addr));
    }
    if (address->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        return ClassifyV6(v6->sin6_addr.s6_addr);
    }
    return ADDRESS_PUBLIC;
}

unsigned ClassifyAddress(const std::string& numeric) {
    in_addr v4{};
    if (inet_pton(AF_INET, numeric.c_str(), &v4) == 1) return ClassifyV4(ntohl(v4.s_addr));
    in6_addr v6{};
    if (inet_pton(AF_INET6, numeric.c_str(), &v6) == 1) return ClassifyV6(v6.s6_addr);
    return ADDRESS_PUBLIC;
}

unsigned RefusedAfterRedirect(unsigned firstClasses) { return ADDRESS_INTERNAL & ~firstClasses; }

std::string AddressClassName(unsigned classes) {
    if (classes & ADDRESS_METADATA) return kMetadataName;
    if (classes & ADDRESS_LINK_LOCAL) return kLinkLocalName;
    if (classes & ADDRESS_LOOPBACK) return kLoopbackName;
    return std::string();
}

}  // namespace corvane
