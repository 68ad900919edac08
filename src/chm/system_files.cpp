#include "chm/system_files.h"
#include "chm/le_append.h"

#include <cstdlib>

#include "platform/ascii.h"

namespace corvane {
namespace {

constexpr size_t kBlock = 4096;
constexpr uint32_t kWindowEntrySize = 0xC4;
constexpr uint32_t kUrlEntriesPerBlock = 341;  // 12-byte entries in 4096 bytes, 4 left over

void Put32(std::string& b, size_t pos, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[pos + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Pads `bytes` to the next block when `size` more bytes would cross into it.
void KeepInBlock(std::string& bytes, size_t size) {
    const size_t used = bytes.size() % kBlock;
    if (used != 0 && size <= kBlock && used + size > kBlock) bytes.append(kBlock - used, '\0');
}

// Splits the values after "name=" at the commas outside quotes and brackets. Inside quotes
// only '"' ends the value: Shift_JIS trail bytes never take that value.
bool SplitFields(const std::string& text, std::vector<std::string>& fields, std::string& error) {
    fields.assign(1, std::string());
    bool quoted = false;
    bool bracket = false;
    for (char c : text) {
        if (quoted) {
            if (c == '"') quoted = false;
            fields.back() += c;
        } else if (c == '"') {
            quoted = true;
            fields.back() += c;
        } else if (c == '[') {
            bracket = true;
            fields.back() += c;
        } else if (c == ']') {
            bracket = false;
            fields.back() += c;
        } else if (c == ',' && !bracket) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted || bracket) {
        error = quoted ? "unclosed quote" : "unclosed bracket";
        return false;
    }
    return true;
}

std::string Trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    return text.substr(begin, end - begin);
}

std::string Unquoted(const std::string& field) {
    std::string text = Trimmed(field);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

// A decimal or 0x-hexadecimal number, possibly negative; false for anything else.
bool ParseNumber(const std::string& field, int64_t& value) {
    const std::string text = Trimmed(field);
    if (text.empty()) return false;
    size_t pos = 0;
    const bool negative = text[0] == '-';
    if (negative) ++pos;
    int base = 10;
    if (text.size() > pos + 2 && text[pos] == '0' &&
        (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    if (pos == text.size()) return false;
    value = 0;
    for (; pos < text.size(); ++pos) {
        const char c = AsciiLower(text[pos]);
        int digit;
        if (IsAsciiDigit(c)) {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            return false;
        }
        value = value * base + digit;
        if (value > 0xFFFFFFFFll) return false;
    }
    if (negative) value = -value;
    return true;
}

}  // namespace

uint32_t CChmStringTable::Add(const std::string& text) {
    if (text.empty()) return 0;
    auto found = m_offsets.find(text);
    if (found != m_offsets.end()) return found->second;
    KeepInBlock(m_bytes, text.size() + 1);
    const uint32_t offset = static_cast<uint32_t>(m_bytes.size());
    m_bytes += text;
    m_bytes += '\0';
    m_offsets.emplace(text, offset);
    return offset;
}

bool ParseWindowDefinition(const std::string& line, CChmWindow& window, std::string& error) {
    window = CChmWindow();
    const size_t equals = line.find('=');
    if (equals == std::string::npos || Trimmed(line.substr(0, equals)).empty()) {
        error = "no window name";
        return false;
    }
    window.strName = Trimmed(line.substr(0, equals));
    std::vector<std::string> fields;
    if (!SplitFields(line.substr(equals + 1), fields, error)) return false;
    fields.resize(20);
    std::string* texts[] = {&window.strCaption,   &window.strContents, &window.strIndex,
                            &window.strDefault,   &window.strHome,     &window.strJump1,
                            &window.strJump1Text, &window.strJump2,    &window.strJump2Text};
    for (size_t i = 0; i < 9; ++i) *texts[i] = Unquoted(fields[i]);
    // Field number, where the value goes, and the bit that marks it as given.
    struct CNumberField {
        size_t nField;
        uint32_t* pValue;
        uint32_t nValid;
    };
    const CNumberField numbers[] = {
        {9, &window.nProperties, 0x2},     {10, &window.nNavWidth, 0x20},
        {11, &window.nButtons, 0x100},     {13, &window.nStyles, 0x4},
        {14, &window.nExStyles, 0x8},      {15, &window.nShowState, 0x40},
        {16, &window.nNavClosed, 0x200},   {17, &window.nFirstTab, 0x2000},
        {18, &window.nTabPosition, 0x400}, {19, &window.nNotifyId, 0},
    };
    for (const CNumberField& number : numbers) {
        if (Trimmed(fields[number.nField]).empty()) continue;
        int64_t value = 0;
        if (!ParseNumber(fields[number.nField], value)) {
            error = "not a number: " + Trimmed(fields[number.nField]);
            return false;
        }
        *number.pValue = static_cast<uint32_t>(value);
        window.nValid |= number.nValid;
    }
    const std::string rect = Trimmed(fields[12]);
    if (!rect.empty()) {
        std::vector<std::string> sides;
        if (rect.front() != '[' || rect.back() != ']' ||
            !SplitFields(rect.substr(1, rect.size() - 2), sides, error) || sides.size() != 4) {
            error = "window position is not [left,top,right,bottom]";
            return false;
        }
        for (size_t i = 0; i < 4; ++i) {
            int64_t value = 0;
            if (!ParseNumber(sides[i], value)) {
                error = "window position is not [left,top,right,bottom]";
                return false;
            }
            window.rect[i] = static_cast<int32_t>(value);
        }
        window.nValid |= 0x10;
    }
    return true;
}

std::string BuildWindowsFile(const std::vector<CChmWindow>& windows, CChmStringTable& strings) {
    std::string b;
    Append32(b, static_cast<uint32_t>(windows.size()));
    Append32(b, kWindowEntrySize);
    for (const CChmWindow& w : windows) {
        std::string e(kWindowEntrySize, '\0');
        Put32(e, 0x00, kWindowEntrySize);
        Put32(e, 0x08, strings.Add(w.strName));
        Put32(e, 0x0C, w.nValid);
        Put32(e, 0x10, w.nProperties);
        Put32(e, 0x14, strings.Add(w.strCaption));
        Put32(e, 0x18, w.nStyles);
        Put32(e, 0x1C, w.nExStyles);
        for (int i = 0; i < 4; ++i) Put32(e, 0x20 + 4 * i, static_cast<uint32_t>(w.rect[i]));
        Put32(e, 0x30, w.nShowState);
        Put32(e, 0x4C, w.nNavWidth);
        Put32(e, 0x60, strings.Add(w.strContents));
        Put32(e, 0x64, strings.Add(w.strIndex));
        Put32(e, 0x68, strings.Add(w.strDefault));
        Put32(e, 0x6C, strings.Add(w.strHome));
        Put32(e, 0x70, w.nButtons);
        Put32(e, 0x74, w.nNavClosed);
        Put32(e, 0x78, w.nFirstTab);
        Put32(e, 0x7C, w.nTabPosition);
        Put32(e, 0x80, w.nNotifyId);
        Put32(e, 0x9C, strings.Add(w.strJump1Text));
        Put32(e, 0xA0, strings.Add(w.strJump2Text));
        Put32(e, 0xA4, strings.Add(w.strJump1));
        Put32(e, 0xA8, strings.Add(w.strJump2));
        b += e;
    }
    return b;
}

std::string BuildSystemFile(const CChmSystemInfo& info) {
    std::string b;
    Append32(b, 3);
    auto entry = [&b](uint32_t code, const std::string& data) {
        Append16(b, code);
        Append16(b, static_cast<uint32_t>(data.size()));
        b += data;
    };
    auto text = [&entry](uint32_t code, const std::string& value) {
        if (!value.empty()) entry(code, value + '\0');
    };
    std::string stamp;
    Append32(stamp, info.nTimestamp);
    entry(10, stamp);
    // The version viewers look for before they trust the entries that follow.
    text(9, "HHA Version 4.74.8702");
    const uint32_t language = info.nLcid & 0x3FF;
    const bool dbcs = language == 0x11 || language == 0x12 || language == 0x04;
    const uint64_t fileTime = (uint64_t{info.nTimestamp} + 11644473600ull) * 10000000ull;
    std::string locale;
    Append32(locale, info.nLcid);
    Append32(locale, dbcs ? 1 : 0);
    Append32(locale, info.bFullTextSearch ? 1 : 0);
    Append32(locale, 0);  // no binary keyword links
    Append32(locale, 0);  // no associative links
    Append32(locale, static_cast<uint32_t>(fileTime));
    Append32(locale, static_cast<uint32_t>(fileTime >> 32));
    Append32(locale, 0);
    Append32(locale, 0);
    entry(4, locale);
    text(2, info.strDefaultTopic);
    text(3, info.strTitle);
    text(16, info.strDefaultFont);
    text(0, info.strContentsFile);
    text(1, info.strIndexFile);
    text(5, info.strDefaultWindow);
    text(6, info.strCompiledName);
    std::string noBinaryIndex;
    Append32(noBinaryIndex, 0);
    entry(7, noBinaryIndex);
    if (!info.strIdxHdr.empty()) entry(13, info.strIdxHdr);
    return b;
}

CChmTopicFiles BuildTopicFiles(const std::vector<CChmTopicEntry>& topics,
                               CChmStringTable& strings) {
    CChmTopicFiles files;
    files.strUrlStr.assign(1, '\0');
    for (size_t i = 0; i < topics.size(); ++i) {
        const CChmTopicEntry& topic = topics[i];
        // The name, after two zero offsets (an outside URL and a frame name: none).
        KeepInBlock(files.strUrlStr, 8 + topic.strLocal.size() + 1);
        const uint32_t urlStr = static_cast<uint32_t>(files.strUrlStr.size());
        files.strUrlStr.append(8, '\0');
        files.strUrlStr += topic.strLocal;
        files.strUrlStr += '\0';

        if (i != 0 && i % kUrlEntriesPerBlock == 0) files.strUrlTbl.append(4, '\0');
        const uint32_t urlTbl = static_cast<uint32_t>(files.strUrlTbl.size());
        Append32(files.strUrlTbl, 0);
        Append32(files.strUrlTbl, static_cast<uint32_t>(i));
        Append32(files.strUrlTbl, urlStr);

        Append32(files.strTopics, 0);  // no binary contents
        Append32(files.strTopics,
                 topic.strTitle.empty() ? 0xFFFFFFFFu : strings.Add(topic.strTitle));
        Append32(files.strTopics, urlTbl);
        Append16(files.strTopics, 6);
        Append16(files.strTopics, 0);
    }
    return files;
}

std::string BuildIdxHdr(uint32_t topicCount, bool folderImages) {
    std::string b(kBlock, '\0');
    b.replace(0, 4, "T#SM");
    Put32(b, 4, 1);
    Put32(b, 8, 1);
    Put32(b, 0x0C, topicCount);
    Put32(b, 0x1C, folderImages ? 1 : 0);
    return b;
}

}  // namespace corvane
