#include "support/http_auth.h"

#include <openssl/evp.h>

#include <map>

namespace corvane::test {
namespace {

std::string Md5Hex(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

// The name=value pairs after "Digest ", quotes removed.
std::map<std::string, std::string> DigestParams(const std::string& header) {
    std::map<std::string, std::string> params;
    std::size_t i = header.find(' ');
    while (i != std::string::npos && i < header.size()) {
        while (i < header.size() && (header[i] == ' ' || header[i] == ',')) ++i;
        const std::size_t eq = header.find('=', i);
        if (eq == std::string::npos) break;
        const std::string name = header.substr(i, eq - i);
        std::string value;
        i = eq + 1;
        if (i < header.size() && header[i] == '"') {
            const std::size_t close = header.find('"', i + 1);
            value = header.substr(i + 1, close - i - 1);
            i = close == std::string::npos ? close : close + 1;
        } else {
            const std::size_t comma = header.find(',', i);
            value = header.substr(i, comma == std::string::npos ? comma : comma - i);
            i = comma;
        }
        params[name] = value;
    }
    return params;
}

}  // namespace

std::string Base64(const std::string& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()),
                                  static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::string BasicChallenge(const std::string& realm) { return "Basic realm=\"" + realm + "\""; }

std::string DigestChallenge(const std::string& realm, const std::string& nonce) {
    return "Digest realm=\"" + realm + "\", qop=\"auth\", nonce=\"" + nonce + "\", algorithm=MD5";
}

bool BasicAuthorizationValid(const httplib::Request& req, const std::string& user,
                             const std::string& password) {
    return req.get_header_value("Authorization") == "Basic " + Base64(user + ":" + password);
}

bool DigestAuthorizationValid(const httplib::Request& req, const std::string& user,
                              const std::string& password, const std::string& realm) {
    const std::string header = req.get_header_value("Authorization");
    if (header.rfind("Digest ", 0) != 0) return false;
    auto p = DigestParams(header);
    if (p["username"] != user || p["realm"] != realm || p["uri"] != req.target) return false;
    const std::string ha1 = Md5Hex(user + ":" + realm + ":" + password);
    const std::string ha2 = Md5Hex(req.method + ":" + p["uri"]);
    const std::string expected = p.count("qop")
                                     ? Md5Hex(ha1 + ":" + p["nonce"] + ":" + p["nc"] + ":" +
                                              p["cnonce"] + ":" + p["qop"] + ":" + ha2)
                                     : Md5Hex(ha1 + ":" + p["nonce"] + ":" + ha2);
    return p["response"] == expected;
}

}  // namespace corvane::test
