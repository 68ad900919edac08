// How the HTTP layer reaches the web: through the proxy the environment names (http_proxy,
// https_proxy, no_proxy, as wget and curl read them), directly, or through a given proxy.
// The protocol objects carry it as their use-proxy flag and proxy host: flag off is a direct
// connection; flag on with a host is that proxy; flag on without a host is the environment's.
#pragma once

#include <string>

namespace corvane {

// The setting as the options file and the options dialog keep it.
enum ProxyType : int {
    kProxyFromEnvironment = 0,
    kProxyDirect = 1,
    kProxyServer = 2,
};

// A host name or address a proxy can have: letters, digits, '-', '.', or an IPv6 address in
// brackets. Nothing that would reach the HTTP library as a scheme, credentials or a path.
bool IsValidProxyHost(const std::string& host);

// "HOST:PORT" (an IPv6 host in brackets) -> host and port 1..65535; false for anything else.
bool ParseProxyAddress(const std::string& text, std::string& host, int& port);

// The hosts that go direct when the environment's proxy is used: the environment's no_proxy
// (or NO_PROXY) list, and always the loopback host, which a proxy elsewhere cannot reach.
std::string EnvironmentNoProxy();

}  // namespace corvane
