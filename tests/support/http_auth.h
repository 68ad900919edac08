// Server-side HTTP authentication for loopback servers: Basic and Digest (MD5, qop=auth)
// checks of a request's Authorization header, and the challenges that ask for them.
#pragma once

#include <httplib.h>

#include <string>

namespace corvane::test {

std::string Base64(const std::string& bytes);

// "Basic realm=..." and "Digest realm=..., qop=\"auth\", nonce=..., algorithm=MD5".
std::string BasicChallenge(const std::string& realm);
std::string DigestChallenge(const std::string& realm, const std::string& nonce);

bool BasicAuthorizationValid(const httplib::Request& req, const std::string& user,
                             const std::string& password);
// Checks the Digest response against the user's password (any nonce the server issued is
// taken; tests do not replay).
bool DigestAuthorizationValid(const httplib::Request& req, const std::string& user,
                              const std::string& password, const std::string& realm);

}  // namespace corvane::test
