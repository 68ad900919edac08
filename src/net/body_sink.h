// Where a response body can go instead of memory: a file written piece by piece as the
// body arrives, so that a large download does not grow the process.
#pragma once

#include <cstddef>

namespace corvane {

class CBodySink {
public:
    virtual ~CBodySink() = default;
    // False when the bytes could not be taken; the download then fails.
    virtual bool Write(const char* data, std::size_t size) = 0;
};

}  // namespace corvane
