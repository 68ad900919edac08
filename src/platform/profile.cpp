#include "platform/profile.h"

#include <cerrno>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/ascii.h"
#include "platform/file_io.h"
#include "platform/sjis.h"

namespace corvane {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(std::string_view text) { return std::string(TrimAscii(text, " \t")); }

// Case-insensitive for ASCII letters only, and never for the second byte of a Shift_JIS
// character (which may fall in the range of ASCII letters).
bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    bool trail = false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (!trail) {
            x = static_cast<unsigned char>(AsciiLower(static_cast<char>(x)));
            y = static_cast<unsigned char>(AsciiLower(static_cast<char>(y)));
        }
        if (x != y) return false;
        trail = !trail && IsSjisLeadByte(static_cast<unsigned char>(a[i]));
    }
    return true;
}

// One line of the file as read, with what the profile functions see in it.
struct Line {
    std::string text;  // without its line ending
    std::string eol;   // "\r\n", "\n" or "" (last line without ending)
    enum Kind { Other, Section, Entry } kind = Other;
    std::string name;   // section name or key, trimmed
    std::string value;  // entry value, trimmed, quotes still on
};

std::vector<Line> Parse(const std::string& bytes) {
    std::vector<Line> lines;
    size_t pos = 0;
    // A UTF-8 byte-order mark stays with the first line but is not part of its content.
    const bool bom = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    while (pos < bytes.size()) {
        size_t nl = bytes.find('\n', pos);
        Line line;
        size_t end = nl == std::string::npos ? bytes.size() : nl;
        const bool cr = nl != std::string::npos && end > pos && bytes[end - 1] == '\r';
        line.text.assign(bytes, pos, end - pos - (cr ? 1 : 0));
        if (nl != std::string::npos) line.eol.assign(cr ? "\r\n" : "\n");
        pos = nl == std::string::npos ? bytes.size() : nl + 1;
        std::string content = Trim(lines.empty() && bom ? line.text.substr(3) : line.text);
        if (!content.empty() && content[0] == '[') {
            size_t close = content.find(']');
            line.kind = Line::Section;
            line.name =
                Trim(content.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        } else if (!content.empty() && content[0] != ';' && content[0] != '#') {
            size_t eq = content.find('=');
            line.kind = Line::Entry;
            line.name = Trim(content.substr(0, eq));
            if (eq != std::string::npos) line.value = Trim(content.substr(eq + 1));
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// Index of the first header of `section`, or npos.
size_t FindSection(const std::vector<Line>& lines, const std::string& section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Line::Section && EqualNoCase(lines[i].name, section)) return i;
    }
    return std::string::npos;
}

// One past the last line that belongs to the section starting at `header`.
size_t SectionEnd(const std::vector<Line>& lines, size_t header) {
    size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != Line::Section) ++i;
    return i;
}

size_t FindEntry(const std::vector<Line>& lines, size_t header, const std::string& key) {
    size_t end = SectionEnd(lines, header);
    for (size_t i = header + 1; i < end; ++i) {
        if (lines[i].kind == Line::Entry && EqualNoCase(lines[i].name, key)) return i;
    }
    return std::string::npos;
}

std::optional<std::string> Lookup(const std::string& section, const std::string& key,
                                  const std::string& file) {
    std::string bytes;
    if (!ReadWholeFile(file, bytes)) return std::nullopt;
    std::vector<Line> lines = Parse(bytes);
    size_t header = FindSection(lines, section);
    if (header == std::string::npos) return std::nullopt;
    size_t entry = FindEntry(lines, header, key);
    if (entry == std::string::npos) return std::nullopt;
    std::string value = lines[entry].value;
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// Cuts to at most `max` bytes without splitting a double-byte character.
std::string Cut(const std::string& text, size_t max) {
    if (text.size() <= max) return text;
    size_t i = 0;
    while (i < max) {
        size_t step = IsSjisLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + step > max) break;
        i += step;
    }
    return text.substr(0, i);
}

}  // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, const std::string& file,
                                    size_t bufferSize) {
    if (bufferSize == 0) return {};
    const int saved = errno;
    std::optional<std::string> value = Lookup(section, key, file);
    errno = saved;
    if (!value) {
        std::string fallback = def;
        while (!fallback.empty() && IsBlank(fallback.back())) fallback.pop_back();
        return Cut(fallback, bufferSize - 1);
    }
    return Cut(*value, bufferSize - 1);
}

int GetPrivateProfileInt(const std::string& section, const std::string& key, int def,
                         const std::string& file) {
    const std::string text = GetPrivateProfileString(section, key, "", file, 32);
    if (text.empty()) return def;
    size_t i = 0;
    while (i < text.size() && (IsBlank(text[i]) || text[i] == '\r' || text[i] == '\n')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        char p = text[i + 1];
        if (p == 'x' || p == 'X')
            base = 16;
        else if (p == 'o' || p == 'O')
            base = 8;
        else if (p == 'b' || p == 'B')
            base = 2;
        if (base != 10) i += 2;
    }
    uint32_t result = 0;  // wraps on overflow like the system's conversion
    for (; i < text.size(); ++i) {
        char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            break;
        if (digit >= base) break;
        result = result * base + digit;
    }
    if (negative) result = 0u - result;
    return static_cast<int>(result);
}

bool WritePrivateProfileString(const std::string& section, const char* key, const char* value,
                               const std::string& file) {
    std::string bytes;
    if (!ReadWholeFile(file, bytes)) {
        if (errno != ENOENT) return false;
        bytes.clear();
    }
    std::vector<Line> lines = Parse(bytes);
    std::string eol = "\r\n";
    for (const Line& line : lines) {
        if (!line.eol.empty()) {
            eol = line.eol;
            break;
        }
    }

    size_t header = FindSection(lines, section);
    if (!key) {
        if (header == std::string::npos) return true;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header),
                    lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(lines, header)));
    } else if (header == std::string::npos) {
        if (!value) return true;
        if (!lines.empty() && lines.back().eol.empty()) lines.back().eol = eol;
        lines.push_back({"[" + section + "]", eol});
        lines.push_back({std::string(key) + "=" + value, eol});
    } else {
        size_t entry = FindEntry(lines, header, key);
        if (entry != std::string::npos) {
            if (!value) {
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(entry));
            } else {
                // The key keeps the spelling it has in the file.
                Line& line = lines[entry];
                std::string eolKept = line.eol.empty() ? eol : line.eol;
                line.text = line.name + "=" + value;
                line.eol = eolKept;
            }
        } else {
            if (!value) return true;
            // After the last non-blank line of the section, so blank separator lines stay
            // between this section and the next.
            size_t at = SectionEnd(lines, header);
            while (at > header + 1 && Trim(lines[at - 1].text).empty()) --at;
            if (lines[at - 1].eol.empty()) lines[at - 1].eol = eol;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                         Line{std::string(key) + "=" + value, eol});
        }
    }

    std::string out;
    for (const Line& line : lines) out += line.text + line.eol;
    return WriteFileReplacing(file, out);
}

}  // namespace corvane
