// The sample wiki for the tests: the same site the demo serves, installed on a
// LoopbackServer with `wiki.Install(server.Server())`, or with ServeSampleWiki when the
// test watches the requests or wants credentials.
#pragma once

#include <functional>
#include <string>

#include "server/sample_wiki.h"
#include "support/in_flight_probe.h"
#include "support/loopback_server.h"

namespace corvane::test {
using sample::SampleWiki;

// Serves `wiki` on `server` (before it starts), each request seen by `probe` when given.
// With a `user`, only requests that carry the user and `password` (Basic) are answered;
// the others get 401.
void ServeSampleWiki(const SampleWiki& wiki, LoopbackServer& server, InFlightProbe* probe = nullptr,
                     const std::string& user = "", const std::string& password = "");

// Serves `wiki` on `server` (before it starts), except that a request for which
// `failedStatus` gives a status other than 0 is answered with that status (the wiki's own
// body kept): pages that went missing or broke since their links were made.
void ServeSampleWikiFailing(const SampleWiki& wiki, LoopbackServer& server,
                            std::function<int(const std::string& target)> failedStatus);

}  // namespace corvane::test
