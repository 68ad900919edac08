#include "net/proxy_setting.h"

#include <cstdlib>

namespace corvane {
namespace {

constexpr const char* kLoopback = "localhost,127.0.0.1,::1";

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.';
}

bool IsIpv6Char(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' ||
           c == '.';
}

}  // namespace

bool IsValidProxyHost(const std::string& host) {
    if (host.empty() || host.size() > 253) return false;
    if (host.front() == '[') {
        if (host.size() < 4 || host.back() != ']') return false;
        for (size_t i = 1; i + 1 < host.size(); ++i) {
            if (!IsIpv6Char(host[i])) return false;
        }
        return true;
    }
    if (host.front() == '-' || host.front() == '.') return false;
    for (char c : host) {
        if (!IsHostChar(c)) return false;
    }
    return true;
}

bool ParseProxyAddress(const std::string& text, std::string& host, int& port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    const std::string name = text.substr(0, colon);
    const std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return false;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    // An IPv6 address without brackets would split at its own last colon.
    if (value < 1 || value > 65535 || !IsValidProxyHost(name)) return false;
    host = name;
    port = value;
    return true;
}

std::string EnvironmentNoProxy() {
    const char* list = std::getenv("no_proxy");
    if (list == nullptr || *list == '\0') list = std::getenv("NO_PROXY");
    const std::string given = list ? list : "";
    // "*" alone means every host; added names would turn it into a name.
    if (given == "*") return given;
    return given.empty() ? kLoopback : given + "," + kLoopback;
}

}  // namespace corvane
