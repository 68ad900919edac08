// The read policy that the HTTP layer consults while it reads a response body: after each
// piece it may go on, stop and keep what was read, or abort. It may also send a body to a
// sink (a file) instead of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane {

class CUrlParts;
class CHTTPHeader;
class CBodySink;

class CTracePolicy {
public:
    enum : int { READ_CONTINUE = 0, READ_STOP = 1, READ_ABORT = 2 };
    // The size of one body read into memory, after which the policy is asked.
    static constexpr std::size_t DEFAULT_PIECE_SIZE = 1024;

    virtual ~CTracePolicy() = default;
    // `body` is everything read so far; `tag` is the URL being read.
    virtual int OnData(const CUrlParts& tag, const std::vector<char>& body) = 0;
    virtual bool IsRunning() = 0;
    // Bytes to read before OnData is asked again: small pieces let the policy stop a read
    // early, larger ones cost fewer calls per page.
    virtual std::size_t PieceSize() const { return DEFAULT_PIECE_SIZE; }

    // Asked once the header of a response to a GET is in: a sink that takes its body, or
    // null (the default) to keep it in memory and hand it to OnData.
    virtual CBodySink* OpenBodySink(const CUrlParts&, const CHTTPHeader&) { return nullptr; }
    // After each piece written to a sink: `received` bytes so far. Answers as OnData.
    virtual int OnStreamed(const CUrlParts&, std::uint64_t) {
        return IsRunning() ? READ_CONTINUE : READ_ABORT;
    }
};

}  // namespace corvane
