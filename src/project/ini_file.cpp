#include "project/ini_file.h"

#include <boost/format.hpp>
#include <charconv>
#include <cstdio>

#include "platform/profile.h"
#include "platform/sjis_text.h"
#include "platform/system_error.h"
#include "project/options.h"

namespace corvane {
namespace {

constinit CSjisText kRegistry{"レジストリ"};
constinit CSjisText kWriteFailed{"%sのセクション[%s]、キー[%s]の保存に失敗"};

std::string FormatDouble(double value) {
    // Like "%lf", but independent of the locale's decimal point.
    char buffer[512];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (result.ec != std::errc()) return "0.000000";
    return std::string(buffer, result.ptr);
}

// Like strtod in the "C" locale: leading blanks and a sign allowed, stops at the first
// character that does not fit, 0 when nothing converts.
double ParseDouble(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    double value = 0;
    auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
    if (result.ec == std::errc::invalid_argument) return 0;
    return negative ? -value : value;
}

std::string Join(const std::vector<std::string>& items) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i) text += ',';
        text += items[i];
    }
    return text;
}

std::vector<std::string> ToTexts(const std::vector<int>& numbers) {
    std::vector<std::string> texts;
    for (int n : numbers) texts.push_back(std::to_string(n));
    return texts;
}

}  // namespace

CIniFile::CIniFile(std::string file)
    : m_strFile(std::move(file)), m_strSection("Options"), m_bThrowOnWriteError(0) {}

std::string CIniFile::ProfilePath() const { return m_strFile.empty() ? GetIniPath() : m_strFile; }

int CIniFile::CheckWrite(int ok, const std::string& key) {
    if (!ok && m_bThrowOnWriteError) {
        // "レジストリ" (the registry) stands for the application's own profile.
        const std::string& where = m_strFile.empty() ? kRegistry.str() : m_strFile;
        throw CSystemError((boost::format(kWriteFailed.str()) % where % m_strSection % key).str());
    }
    return ok;
}

std::string CIniFile::GetString(const std::string& key, const std::string& def) {
    return GetPrivateProfileString(m_strSection, key, def, ProfilePath());
}

int CIniFile::WriteString(const std::string& key, const std::string& value) {
    const std::string text = m_strFile.empty() ? value : "\"" + value + "\"";
    const int ok =
        WritePrivateProfileString(m_strSection, key.c_str(), text.c_str(), ProfilePath()) ? 1 : 0;
    return CheckWrite(ok, key);
}

int CIniFile::GetInt(const std::string& key, int def) {
    return GetPrivateProfileInt(m_strSection, key, def, ProfilePath());
}

int CIniFile::WriteInt(const std::string& key, int value) {
    const std::string text = std::to_string(value);
    const int ok =
        WritePrivateProfileString(m_strSection, key.c_str(), text.c_str(), ProfilePath()) ? 1 : 0;
    return CheckWrite(ok, key);
}

std::string CIniFile::GetString(const char* key, const char* def) {
    return GetString(std::string(key ? key : ""), std::string(def ? def : ""));
}

int CIniFile::WriteString(const char* key, const char* value) {
    return WriteString(std::string(key ? key : ""), std::string(value ? value : ""));
}

long CIniFile::GetInt(const std::string& key, long def) {
    return GetInt(key, static_cast<int>(def));
}

int CIniFile::WriteInt(const std::string& key, long value) {
    return WriteInt(key, static_cast<int>(value));
}

unsigned CIniFile::GetInt(const std::string& key, unsigned def) {
    return static_cast<unsigned>(GetInt(key, static_cast<int>(def)));
}

int CIniFile::WriteInt(const std::string& key, unsigned value) {
    return WriteInt(key, static_cast<int>(value));
}

short CIniFile::GetInt(const std::string& key, short def) {
    return static_cast<short>(GetInt(key, static_cast<int>(def)));
}

int CIniFile::WriteInt(const std::string& key, short value) {
    return WriteInt(key, static_cast<int>(value));
}

double CIniFile::GetDouble(const std::string& key, double def) {
    return ParseDouble(GetString(key, FormatDouble(def)));
}

int CIniFile::WriteDouble(const std::string& key, double value) {
    return WriteString(key, FormatDouble(value));
}

CRect CIniFile::GetRect(const std::string& key, const CRect& def) {
    CRect rect;
    rect.left = GetInt(key + "Left", def.left);
    rect.top = GetInt(key + "Top", def.top);
    rect.right = GetInt(key + "Right", def.right);
    rect.bottom = GetInt(key + "Bottom", def.bottom);
    return rect;
}

int CIniFile::WriteRect(const std::string& key, const CRect& rect) {
    if (!WriteInt(key + "Left", rect.left)) return 0;
    if (!WriteInt(key + "Top", rect.top)) return 0;
    if (!WriteInt(key + "Right", rect.right)) return 0;
    if (!WriteInt(key + "Bottom", rect.bottom)) return 0;
    return 1;
}

std::vector<std::string> CIniFile::SplitList(const std::string& key, const std::string& def) {
    std::string text = GetString(key, def);
    size_t begin = text.find_first_not_of(" \t");
    size_t end = text.find_last_not_of(" \t");
    text = begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
    std::vector<std::string> items;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t comma = text.find(',', pos);
        if (comma == std::string::npos) comma = text.size();
        if (comma > pos) items.push_back(text.substr(pos, comma - pos));
        pos = comma + 1;
    }
    return items;
}

std::vector<std::string> CIniFile::GetStringList(const std::string& key,
                                                 const std::vector<std::string>& def) {
    return SplitList(key, Join(def));
}

int CIniFile::WriteStringList(const std::string& key, const std::vector<std::string>& list) {
    return WriteString(key, Join(list));
}

std::vector<int> CIniFile::GetIntList(const std::string& key, const std::vector<int>& def) {
    std::vector<int> numbers;
    for (const std::string& item : SplitList(key, Join(ToTexts(def)))) {
        int n = 0;
        size_t i = 0;
        while (i < item.size() && (item[i] == ' ' || item[i] == '\t')) ++i;
        const char* first = item.data() + i;
        if (i < item.size() && item[i] == '+') ++first;
        std::from_chars(first, item.data() + item.size(), n);
        numbers.push_back(n);
    }
    return numbers;
}

int CIniFile::WriteIntList(const std::string& key, const std::vector<int>& list) {
    return WriteString(key, Join(ToTexts(list)));
}

}  // namespace corvane
