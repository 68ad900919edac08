// The read policy that the HTTP layer consults while it reads a response body: after each
// piece it may go on, stop and keep what was read, or abort.
#pragma once

#include <vector>

namespace corvane {

class CUrlParts;

class CTracePolicy {
public:
    enum : int { READ_CONTINUE = 0, READ_STOP = 1, READ_ABORT = 2 };

    virtual ~CTracePolicy() = default;
    // `body` is everything read so far; `tag` is the URL being read.
    virtual int OnData(const CUrlParts& tag, const std::vector<char>& body) = 0;
    virtual bool IsRunning() = 0;
};

}  // namespace corvane
