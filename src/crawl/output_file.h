// Writing a downloaded file into the output folder, and only there.
#pragma once

#include <string>
#include <vector>

namespace corvane {

// Whether `localName` names a file inside a folder: not empty, not absolute (no leading
// separator, no drive), and no ".." segment ('/' and '\\' both separate).
bool IsSafeLocalName(const std::string& localName);

// Writes `body` to `folder` + `localName` (the folder ends with a separator), creating the
// missing folders first. False, and nothing written, when the name would leave the folder;
// a failure to create or write is otherwise silent.
bool WriteOutputFile(const std::string& folder, const std::string& localName,
                     const std::vector<char>& body);

}  // namespace corvane
