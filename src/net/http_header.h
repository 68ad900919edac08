// The parsed header of one HTTP response: raw header text, status, Last-Modified,
// Content-Length and Location; the Content-Type read from a raw header.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

class CHTTPHeader {
public:
    virtual ~CHTTPHeader() = default;

    const std::string& GetRawHeaders() const { return m_strRawHeaders; }
    void SetRawHeaders(const std::string& value) { m_strRawHeaders = value; }
    std::int32_t GetStatusCode() const { return m_nStatusCode; }
    void SetStatusCode(std::int32_t value) { m_nStatusCode = value; }
    std::int32_t GetLastModified() const { return m_tLastModified; }
    void SetLastModified(std::int32_t value) { m_tLastModified = value; }
    // -1 when the response named no length.
    std::int32_t GetContentLength() const { return m_nContentLength; }
    void SetContentLength(std::int32_t value) { m_nContentLength = value; }
    const std::string& GetLocation() const { return m_strLocation; }
    void SetLocation(const std::string& value) { m_strLocation = value; }

private:
    std::string m_strRawHeaders;  // status line and fields, each line ending in CR LF
    std::int32_t m_nStatusCode = 0;
    std::int32_t m_tLastModified = 0;  // seconds since 1970-01-01 UTC, low 32 bits
    std::int32_t m_nContentLength = 0;
    std::string m_strLocation;
};

// The Content-Type's value in `headers` (raw header text) in lower case without leading
// blanks; empty when there is none.
std::string ContentTypeOf(const std::string& headers);

}  // namespace corvane
