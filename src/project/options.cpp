#include "project/options.h"

#include <boost/format.hpp>
#include <charconv>
#include <filesystem>

#include "platform/app_folders.h"
#include "platform/control_chars.h"
#include "platform/sjis_text.h"
#include "platform/text_codec.h"
#include "project/ini_file.h"

namespace corvane {
namespace fs = std::filesystem;

namespace {

constexpr const char* kIniName = "corvane.ini";
constexpr const char* kConfName = "conf";

bool Exists(const std::string& sjisPath, bool folder) {
    std::error_code ec;
    const fs::path path = ToNativePath(sjisPath);
    return folder ? fs::is_directory(path, ec) : fs::is_regular_file(path, ec);
}

constinit CSjisText kBadNumber{"設定ファイルの %1%=%2% は読めない値です。既定の %3% を使います"};

// A number key of the options file: its whole value, blanks aside, a decimal number in
// [low, high]. Anything else (words, "12abc", a sign where none makes sense, more digits
// than fit, an empty value) keeps the default and leaves a warning; a missing key keeps it
// quietly.
long long ReadNumber(CIniFile& ini, const char* key, long long def, long long low, long long high,
                     std::vector<std::string>& warnings) {
    const std::string kAbsent = "\x01";
    const std::string raw = ini.GetString(key, kAbsent);
    if (raw == kAbsent) return def;
    const std::size_t first = raw.find_first_not_of(" \t");
    const std::size_t last = raw.find_last_not_of(" \t");
    const std::string text =
        first == std::string::npos ? std::string() : raw.substr(first, last - first + 1);
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < low ||
        value > high) {
        warnings.push_back(
            (boost::format(kBadNumber.str()) % key % ShowControlCharacters(raw) % def).str());
        return def;
    }
    return value;
}

}  // namespace

std::string DefaultHHWPath() {
#ifdef _WIN32
    return "C:\\Program Files\\HTML Help Workshop\\hhc.exe";
#else
    return "/usr/bin/chmcmd";
#endif
}

COptions::COptions()
    : m_strHHWPath(DefaultHHWPath()),
      m_bBuiltinCompiler(1),
      m_bOpenLastFile(0),
      m_bJapaneseSearch(1),
      m_bKeywordIndex(0) {}

void COptions::LoadOptions() { LoadOptions(GetIniPath()); }

void COptions::SaveOptions() { SaveOptions(GetIniPath()); }

void COptions::LoadOptions(const std::string& iniPath) {
    CIniFile ini(iniPath);
    const std::string kAbsent = "\x01";
    const bool namesCompiler = ini.GetString("HHWPath", kAbsent) != kAbsent;
    m_strHHWPath = ini.GetString("HHWPath", m_strHHWPath);
    m_bBuiltinCompiler = ini.GetInt("BuiltinCompiler", namesCompiler ? 0 : m_bBuiltinCompiler);
    m_bOpenLastFile = ini.GetInt("OpenLastFile", m_bOpenLastFile);
    m_strLastFile = ini.GetString("LastFile", m_strLastFile);
    m_bJapaneseSearch = ini.GetInt("JapaneseSearch", m_bJapaneseSearch);
    m_bKeywordIndex = ini.GetInt("KeywordIndex", m_bKeywordIndex);
    // Sizes in megabytes and seconds: 0 lifts the limit; a value that does not read keeps
    // the default, never 0, which would silently lift it.
    m_warnings.clear();
    constexpr long long kMaxMegabytes = 1 << 20;  // a terabyte
    m_nMaxPageSize = static_cast<std::uint64_t>(ReadNumber(
                         ini, "MaxPageSizeMB", static_cast<long long>(m_nMaxPageSize >> 20), 0,
                         kMaxMegabytes, m_warnings))
                     << 20;
    m_nMaxFileSize = static_cast<std::uint64_t>(ReadNumber(
                         ini, "MaxFileSizeMB", static_cast<long long>(m_nMaxFileSize >> 20), 0,
                         kMaxMegabytes, m_warnings))
                     << 20;
    m_nPageTimeLimit = static_cast<int>(
        ReadNumber(ini, "PageTimeLimitSec", m_nPageTimeLimit, 0, 7 * 24 * 3600, m_warnings));
    const int proxyType = ini.GetInt("ProxyType", m_nProxyType);
    // An unknown kind keeps the environment's proxy.
    m_nProxyType = proxyType >= 0 && proxyType <= 2 ? proxyType : 0;
    m_strProxyHost = ini.GetString("ProxyHost", m_strProxyHost);
    m_nProxyPort =
        static_cast<int>(ReadNumber(ini, "ProxyPort", m_nProxyPort, 1, 65535, m_warnings));
}

void COptions::SaveOptions(const std::string& iniPath) {
    // The user's configuration folder may not exist yet on a first run.
    std::error_code ec;
    fs::create_directories(ToNativePath(iniPath).parent_path(), ec);
    CIniFile ini(iniPath);
    ini.WriteString("HHWPath", m_strHHWPath);
    ini.WriteInt("BuiltinCompiler", m_bBuiltinCompiler);
    ini.WriteInt("OpenLastFile", m_bOpenLastFile);
    ini.WriteString("LastFile", m_strLastFile);
    // The help-file switches appear in the file once they leave their defaults, so that a
    // file of the usual three keys stays as it is.
    const std::string kAbsent = "\x01";
    if (m_bJapaneseSearch != 1 || ini.GetString("JapaneseSearch", kAbsent) != kAbsent) {
        ini.WriteInt("JapaneseSearch", m_bJapaneseSearch);
    }
    if (m_bKeywordIndex != 0 || ini.GetString("KeywordIndex", kAbsent) != kAbsent) {
        ini.WriteInt("KeywordIndex", m_bKeywordIndex);
    }
    if (m_nProxyType != 0 || !m_strProxyHost.empty() ||
        ini.GetString("ProxyType", kAbsent) != kAbsent) {
        ini.WriteInt("ProxyType", m_nProxyType);
        ini.WriteString("ProxyHost", m_strProxyHost);
        ini.WriteInt("ProxyPort", m_nProxyPort);
    }
}

COptions& GetOptions() {
    static COptions options;
    return options;
}

std::string ChooseIniPath(const std::string& programFolder, const std::string& userFolder) {
    if (!programFolder.empty() && Exists(programFolder + kIniName, false)) {
        return programFolder + kIniName;
    }
    if (!userFolder.empty()) return userFolder + kIniName;
    return programFolder + kIniName;
}

std::string ChooseConfFolder(const std::string& programFolder, const std::string& userFolder,
                             const std::string& dataFolder) {
    const std::string conf = std::string(kConfName) + NativeSeparator();
    for (const std::string* folder : {&programFolder, &userFolder, &dataFolder}) {
        if (!folder->empty() && Exists(*folder + kConfName, true)) return *folder + conf;
    }
    // None present: name the folder beside the program, where a user would put it.
    return programFolder + conf;
}

std::string GetIniPath() { return ChooseIniPath(GetProgramFolder(), GetUserConfigFolder()); }

std::string GetConfFolder() {
    return ChooseConfFolder(GetProgramFolder(), GetUserConfigFolder(), GetDataFolder());
}

std::vector<std::string> GetConfFolderCandidates() {
    std::vector<std::string> folders;
    for (const std::string& folder : {GetProgramFolder(), GetUserConfigFolder(), GetDataFolder()}) {
        if (!folder.empty()) folders.push_back(folder + kConfName + NativeSeparator());
    }
    return folders;
}

std::string GetReplaceRulesPath() { return GetConfFolder() + "replace.txt"; }

std::string GetBodyRulesPath() { return GetConfFolder() + "body.txt"; }

std::string GetExcludeRulesPath() { return GetConfFolder() + "exclude.txt"; }

}  // namespace corvane
