// The sample wiki for the tests: the same site the demo serves, installed on a
// LoopbackServer with `wiki.Install(server.Server())`.
#pragma once

#include "server/sample_wiki.h"

namespace corvane::test {
using sample::SampleWiki;
}  // namespace corvane::test
