// The one place where text crosses between the core's Shift_JIS (code page 932) and the
// outside world: UTF-8 for the file system, the terminal, libxml2 and the GUI.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// Converts text between two iconv encodings. Characters the target lacks become
// `replacement` (already in the target encoding); malformed input bytes are replaced the
// same way. Never throws for bad input.
std::string ConvertCodePage(std::string_view text, const char* from, const char* to,
                            std::string_view replacement);

// Strict variant: empty optional when any byte is malformed or any character unmappable.
std::optional<std::string> ConvertCodePageStrict(std::string_view text, const char* from,
                                                 const char* to);

// Shift_JIS (code page 932, with the NEC and IBM extensions) <-> UTF-8.
std::string SjisToUtf8(std::string_view sjis);
std::string Utf8ToSjis(std::string_view utf8, std::string_view replacement = "?");

// A Shift_JIS path text as the native file-system path (UTF-8 on Linux), and back.
std::filesystem::path ToNativePath(std::string_view sjisPath);
std::string FromNativePath(const std::filesystem::path& path);

// The native folder separator ("/" here, "\\" on Windows).
char NativeSeparator();

}  // namespace corvane
