// What kind of place a network address is: this machine (loopback), the local link, or a
// cloud machine's metadata service. A redirect must not carry the crawl from the wiki to such
// a place, where it would fetch and publish what only this machine can see.
#pragma once

#include <string>

struct sockaddr;

namespace corvane {

enum : unsigned {
    ADDRESS_PUBLIC = 0,
    ADDRESS_LOOPBACK = 1,    // 127.0.0.0/8, ::1, and 0.0.0.0 and ::, which reach this machine
    ADDRESS_LINK_LOCAL = 2,  // 169.254.0.0/16, fe80::/10
    ADDRESS_METADATA = 4,    // the metadata services of the usual clouds
    ADDRESS_INTERNAL = ADDRESS_LOOPBACK | ADDRESS_LINK_LOCAL | ADDRESS_METADATA,
};

// The classes of an IPv4 or IPv6 socket address (an IPv4-mapped IPv6 address as its IPv4
// address); ADDRESS_PUBLIC for any other family.
unsigned ClassifyAddress(const sockaddr* address);
// The same for a numeric address text ("169.254.169.254", "::1"); ADDRESS_PUBLIC for a text
// that is no address.
unsigned ClassifyAddress(const std::string& numeric);

// The classes a redirect may not lead to after a first request that reached an address of
// `firstClasses`: every internal class the first address was not in itself.
unsigned RefusedAfterRedirect(unsigned firstClasses);

// The classes in words for the log (Shift_JIS), e.g. "メタデータサービス".
std::string AddressClassName(unsigned classes);

}  // namespace corvane
