// Control characters in texts that come from outside (page names, URLs, titles) and go into
// line-based places: a log line, a line of the help project file, a terminal. Shift_JIS trail
// bytes are 0x40 and above, so a byte below 0x20 or 0x7F is always a control character.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

constexpr bool IsControlByte(char c) {
    return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) == 0x7F;
}

// True when the text holds a line break, a tab, ESC or any other control character.
bool HasControlCharacter(std::string_view text);

// The text with every control character but the tab shown as "\xHH", so that it stays one
// line and sends no terminal sequence. A backslash stays as it is: in Shift_JIS it may be
// the trail byte of a double-byte character.
std::string ShowControlCharacters(std::string_view text);

}  // namespace corvane
