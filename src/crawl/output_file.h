// Writing a downloaded file into the output folder, and only there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/body_sink.h"
#include "platform/atomic_file.h"
#include "platform/sjis_text.h"

namespace corvane {

// Whether `localName` names a file inside a folder: not empty, not absolute (no leading
// separator, no drive), and no ".." segment ('/' and '\\' both separate).
bool IsSafeLocalName(const std::string& localName);

// Writes `body` to `folder` + `localName` (the folder ends with a separator), creating the
// missing folders first; the file is replaced only once the new bytes are all written (see
// CAtomicFile), never through a symbolic link. False when the name would leave the folder
// (nothing is written) or the file could not be written; then `error`, when given, says why
// (Shift_JIS).
bool WriteOutputFile(const std::string& folder, const std::string& localName,
                     const std::vector<char>& body, std::string* error = nullptr);

// The reason given for a local name that would leave the output folder.
extern const CSjisText kOutsideFolderError;

// A file in the output folder written as its bytes arrive. They go to a temporary file beside
// it (a CAtomicFile, created with the missing folders at the first bytes; a symbolic link at
// the file's name refuses it at once); Commit puts it in place, and
// without Commit it is removed, so a download that fails leaves the old file as it was. A
// failure to create, write or put the file in place ends the stream: Write and Commit return
// false, Error says why in WriteOutputFile's words, and the temporary file is gone.
// `localName` must be safe.
class COutputStream : public CBodySink {
public:
    COutputStream(const std::string& folder, const std::string& localName);
    ~COutputStream() override;
    COutputStream(const COutputStream&) = delete;
    COutputStream& operator=(const COutputStream&) = delete;

    bool Write(const char* data, std::size_t size) override;
    // Bytes received so far.
    std::uint64_t Size() const { return m_nSize; }
    bool Commit();
    // Why the file could not be written (Shift_JIS); empty while all went well.
    const std::string& Error() const { return m_strError; }

private:
    std::string m_strDisplay;  // folder + local name, as the user named them
    CAtomicFile m_file;
    std::string m_strError;
    bool m_bOpened = false;
    bool m_bCommitted = false;
    std::uint64_t m_nSize = 0;
};

}  // namespace corvane
