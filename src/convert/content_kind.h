// Telling a downloaded page from a style sheet or a binary file, by its URL, its
// Content-Type and, as a last resort, its first bytes.
#pragma once

#include <string>

namespace corvane {

enum class ContentKind { Html, StyleSheet, Other };

// `path` is the URL path, `headers` the response header text, `kind` the link kind the
// page was found through (7 forces HTML when nothing else decides).
ContentKind ClassifyContent(const std::string& path, const std::string& headers,
                            const std::string& content, int kind);

// The extension of the last component of `path` (from its last '.', with the dot), as the
// Windows shell finds it; empty when there is none.
std::string PathExtension(const std::string& path);

}  // namespace corvane
