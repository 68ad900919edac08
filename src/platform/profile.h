// Profile (INI) files that behave like the Windows private-profile functions: sections and
// keys are found without regard to ASCII case, a value loses its surrounding blanks and one
// pair of surrounding quotes, a read returns at most bufferSize - 1 bytes, and a write changes
// one line while every other section, key and comment of the file stays as it was. The file
// is created when missing (its folder must exist). Texts and paths are Shift_JIS.
#pragma once

#include <string>

namespace corvane {

// The value of `key` in `section`, or `def` (without its trailing blanks) when the file,
// section or key is missing. Cut to bufferSize - 1 bytes, never in the middle of a
// double-byte character.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, const std::string& file,
                                    size_t bufferSize = 260);

// The value read as an integer: leading blanks and a sign allowed, "0x", "0o" and "0b"
// prefixes for other bases, conversion stops at the first other character (so text without
// digits gives 0); `def` when the key is missing or its value empty.
int GetPrivateProfileInt(const std::string& section, const std::string& key, int def,
                         const std::string& file);

// Writes `key`=`value` into `section`, adding the section or key when missing. A null
// `value` removes the key, a null `key` removes the whole section. False (errno set) when the
// file cannot be read or written; the file is then unchanged.
bool WritePrivateProfileString(const std::string& section, const char* key, const char* value,
                               const std::string& file);

}  // namespace corvane
