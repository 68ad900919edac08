// Writing a downloaded file into the output folder, and only there.
#pragma once

#include <string>
#include <vector>

#include "platform/sjis_text.h"

namespace corvane {

// Whether `localName` names a file inside a folder: not empty, not absolute (no leading
// separator, no drive), and no ".." segment ('/' and '\\' both separate).
bool IsSafeLocalName(const std::string& localName);

// Writes `body` to `folder` + `localName` (the folder ends with a separator), creating the
// missing folders first. False when the name would leave the folder (nothing is written)
// or the file could not be written; then `error`, when given, says why (Shift_JIS).
bool WriteOutputFile(const std::string& folder, const std::string& localName,
                     const std::vector<char>& body, std::string* error = nullptr);

// The reason given for a local name that would leave the output folder.
extern const CSjisText kOutsideFolderError;

}  // namespace corvane
