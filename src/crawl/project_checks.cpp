#include "crawl/project_checks.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <boost/format.hpp>
#include <cerrno>
#include <filesystem>

#include "convert/replace_rule.h"
#include "convert/rule_file.h"
#include "help/help_creator.h"
#include "net/url_parts.h"
#include "net/url_primitives.h"
#include "platform/control_chars.h"
#include "platform/folder_create.h"
#include "platform/sjis_text.h"
#include "platform/system_error.h"
#include "platform/text_codec.h"
#include "text/reg_manager.h"

namespace corvane {
namespace {

constinit CSjisText kFolderNotWritable{
    "出力フォルダに書き込めません\n"
    "[%s]\n"
    "%s"};
constinit CSjisText kBadBaseName{
    "ファイル名にはフォルダを含めず、名前だけを入力してください\n"
    "[%s]"};
constinit CSjisText kControlInBaseName{
    "ファイル名に改行や制御文字を含めることはできません\n"
    "[%s]"};
constinit CSjisText kControlInTitle{
    "タイトルに改行や制御文字を含めることはできません\n"
    "[%s]"};
constinit CSjisText kCredentialsInUrl{
    "URLにユーザー名やパスワードを含めることはできません。認証の設定を使ってください\n"
    "[%s]"};
constinit CSjisText kQuoteInBaseName{
    "ファイル名に \" を含めることはできません\n"
    "[%s]"};
constinit CSjisText kCompilerNeedsAscii{
    "このヘルプコンパイラは日本語のファイル名を扱えません。ファイル名を半角英数字にするか、"
    "ほかのコンパイラを選んでください\n"
    "[%s]\n"
    "[%s]"};
constinit CSjisText kNoRuleFolder{
    "ルールファイルのフォルダ (conf) が見つかりません。次の場所を探しました:\n"
    "%s"};
constinit CSjisText kNoBodyRule{
    "本文ルールファイルがないか、パターンが書かれていません\n"
    "[%s]"};
constinit CSjisText kBadRulePattern{
    "ルールファイルのパターンが正規表現として正しくありません\n"
    "[%s] %d 行目: %s\n"
    "%s"};
constinit CSjisText kBadReplacement{
    "ルールファイルの置換文字列が正しくありません\n"
    "[%s] %d 行目: %s\n"
    "%s"};
constinit CSjisText kBadUrl{
    "URLは http:// または https:// で始まり、ホスト名を含むものを入力してください\n"
    "[%s]"};
constinit CSjisText kBadTocPattern{
    "目次の開始パターンが正規表現として正しくありません\n"
    "[%s]"};

std::string TrimLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

}  // namespace

std::string CheckFolderWritable(const std::string& folder) {
    const std::string probe = folder + ".corvane-write-test-" + std::to_string(getpid());
    const std::filesystem::path path = ToNativePath(probe);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        const int code = errno;
        return (boost::format(kFolderNotWritable) % folder % TrimLineEnd(GetErrorText(code))).str();
    }
    ::close(fd);
    ::unlink(path.c_str());
    return std::string();
}

std::string CheckBaseName(const std::string& baseName) {
    if (HasControlCharacter(baseName)) {
        return (boost::format(kControlInBaseName) % ShowControlCharacters(baseName)).str();
    }
    // The viewer's window definition names the contents file inside double quotes, which
    // have no escape.
    if (baseName.find('"') != std::string::npos) {
        return (boost::format(kQuoteInBaseName) % baseName).str();
    }
    const bool plain = !baseName.empty() && baseName != "." && baseName != ".." &&
                       baseName.find_first_of("/\\") == std::string::npos;
    return plain ? std::string() : (boost::format(kBadBaseName) % baseName).str();
}

std::string CheckBaseNameForCompiler(const std::string& baseName, const std::string& compilerPath) {
#ifndef _WIN32
    // hhc.exe reads the project's names in the Windows code page, while here the files lie
    // under their UTF-8 names: it would find neither the contents nor write the help file.
    const bool ascii = std::all_of(baseName.begin(), baseName.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii && CHelpCreator::IsWorkshopCompiler(compilerPath)) {
        return (boost::format(kCompilerNeedsAscii) % compilerPath % baseName).str();
    }
#else
    (void)compilerPath;
#endif
    return std::string();
}

std::string CheckStartUrl(const std::string& url) {
    const CUrlParts parts(url);
    const bool web = parts.IsWeb();
    return web && !parts.GetHost().empty() ? std::string() : (boost::format(kBadUrl) % url).str();
}

std::string CheckTitle(const std::string& title) {
    return HasControlCharacter(title)
               ? (boost::format(kControlInTitle) % ShowControlCharacters(title)).str()
               : std::string();
}

std::string CheckUrlCredentials(const std::string& url) {
    // The authority ends at the first "/", "?" or "#" after the scheme; an "@" in it ends
    // the user information.
    const std::size_t scheme = url.find("://");
    const std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t authorityEnd = std::min(url.find_first_of("/?#", start), url.size());
    const std::size_t at = url.rfind('@', authorityEnd == 0 ? 0 : authorityEnd - 1);
    if (at == std::string::npos || at < start || at >= authorityEnd) return std::string();
    const std::string shown = url.substr(0, start) + url.substr(at + 1);
    return (boost::format(kCredentialsInUrl) % ShowControlCharacters(shown)).str();
}

std::string CheckRuleFiles(const std::string& confFolder,
                           const std::vector<std::string>& searchedFolders) {
    if (!FolderExists(confFolder)) {
        std::string places;
        for (const std::string& folder : searchedFolders) {
            places += (places.empty() ? "" : "\n") + folder;
        }
        return (boost::format(kNoRuleFolder) % places).str();
    }
    // The options each file's patterns are searched with ("g" changes no compile).
    const std::pair<const char*, const char*> files[] = {
        {"body.txt", "i"}, {"replace.txt", "i"}, {"exclude.txt", "i"}};
    for (const auto& [name, options] : files) {
        const std::string path = confFolder + name;
        std::string text;
        const bool read = ReadRuleFileText(path, text);
        const std::vector<CRuleLine> lines = ParseNumberedRuleLines(text);
        // Only the body rule is needed; without the others nothing is removed or excluded.
        if (std::string(name) == "body.txt" && (!read || lines.empty())) {
            return (boost::format(kNoBodyRule) % path).str();
        }
        const bool replace = std::string(name) == "replace.txt";
        for (const CRuleLine& line : lines) {
            // replace.txt's lines may carry a replacement after the pattern.
            const CReplaceRule rule =
                replace ? ParseReplaceRule(line.m_strPattern) : CReplaceRule{line.m_strPattern, {}};
            const std::string error = CRegManager::CompileError(rule.m_strPattern, options);
            if (!error.empty()) {
                return (boost::format(kBadRulePattern) % path % line.m_nLine % error %
                        rule.m_strPattern)
                    .str();
            }
            const std::string bad = CheckReplacement(
                rule.m_strReplacement, CRegManager::CaptureCount(rule.m_strPattern, options));
            if (!bad.empty()) {
                return (boost::format(kBadReplacement) % path % line.m_nLine % bad %
                        line.m_strPattern)
                    .str();
            }
            // Only the first line of body.txt is used.
            if (std::string(name) == "body.txt") break;
        }
    }
    return std::string();
}

std::string CheckTocPattern(const std::string& pattern) {
    CRegManager reg;
    // The options the contents extraction searches with.
    return reg.Search("", pattern, "i") >= 0 ? std::string()
                                             : (boost::format(kBadTocPattern) % pattern).str();
}

}  // namespace corvane
