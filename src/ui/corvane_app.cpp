#include "ui/corvane_app.h"

#include <QByteArray>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/message_box.h"
#include "platform/profile.h"
#include "platform/text_codec.h"
#include "project/options.h"
#include "ui/main_frame.h"
#include "ui/ui_text.h"

namespace corvane::ui {
namespace {

constexpr const char* kRecentSection = "Recent File List";
constexpr const char* kBarSection = "BarState";
constexpr const char* kBarKey = "MainWindow";
// The log window's sizes, under the bar's control id.
constexpr const char* kLogSizeSection = "BarState-SCBar-59424";

int ReadInt(const std::string& section, const char* key, int fallback, const std::string& ini) {
    const std::string text = GetPrivateProfileString(section.c_str(), key, "", ini, 64);
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value > 100000) return fallback;
    return static_cast<int>(value);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(ToNativePath(path), ec);
}

}  // namespace

CCorvaneApp::CCorvaneApp(std::string iniPath) : m_strIniPath(std::move(iniPath)) {}

CCorvaneApp::~CCorvaneApp() = default;

void CCorvaneApp::LoadProfile() {
    std::vector<std::string> recent;
    for (int i = 1; i <= CMainFrame::kRecentFileCount; ++i) {
        recent.push_back(GetPrivateProfileString(kRecentSection, "File" + std::to_string(i), "",
                                                 m_strIniPath, 1024));
    }
    m_pFrame->SetRecentFiles(recent);
    // The sizes first: the placement then docks the log with the size it had there. Sizes
    // out of range (none, or larger than any screen) keep the usual ones.
    CMainFrame::CLogSizes sizes = m_pFrame->GetLogSizes();
    auto read = [&](const char* key, int fallback) {
        return ReadInt(kLogSizeSection, key, fallback, m_strIniPath);
    };
    sizes.horz =
        QSize(read("sizeHorzCX", sizes.horz.width()), read("sizeHorzCY", sizes.horz.height()));
    sizes.vert =
        QSize(read("sizeVertCX", sizes.vert.width()), read("sizeVertCY", sizes.vert.height()));
    sizes.floating = QSize(read("sizeFloatCX", sizes.floating.width()),
                           read("sizeFloatCY", sizes.floating.height()));
    m_pFrame->SetLogSizes(sizes);
    const std::string state = GetPrivateProfileString(kBarSection, kBarKey, "", m_strIniPath, 8192);
    if (!state.empty())
        m_pFrame->RestoreBarState(QByteArray::fromBase64(QByteArray::fromStdString(state)));
}

void CCorvaneApp::SaveProfile() {
    // The options file's folder may not exist yet on a first run.
    std::error_code ec;
    std::filesystem::create_directories(ToNativePath(m_strIniPath).parent_path(), ec);
    const std::vector<std::string>& recent = m_pFrame->GetRecentFiles();
    for (int i = 0; i < CMainFrame::kRecentFileCount; ++i) {
        const std::string key = "File" + std::to_string(i + 1);
        WritePrivateProfileString(kRecentSection, key.c_str(),
                                  i < static_cast<int>(recent.size()) ? recent[i].c_str() : nullptr,
                                  m_strIniPath);
    }
    const std::string state = m_pFrame->SaveBarState().toBase64().toStdString();
    WritePrivateProfileString(kBarSection, kBarKey, state.c_str(), m_strIniPath);
    const CMainFrame::CLogSizes sizes = m_pFrame->GetLogSizes();
    const std::pair<const char*, int> values[] = {
        {"sizeHorzCX", sizes.horz.width()},      {"sizeHorzCY", sizes.horz.height()},
        {"sizeVertCX", sizes.vert.width()},      {"sizeVertCY", sizes.vert.height()},
        {"sizeFloatCX", sizes.floating.width()}, {"sizeFloatCY", sizes.floating.height()}};
    for (const auto& [key, value] : values) {
        WritePrivateProfileString(kLogSizeSection, key, std::to_string(value).c_str(),
                                  m_strIniPath);
    }
}

bool CCorvaneApp::InitInstance(const QStringList& arguments) {
    COptions& options = GetOptions();
    options.LoadOptions(m_strIniPath);
    m_pFrame = std::make_unique<CMainFrame>(m_doc);
    LoadProfile();
    // Options file values that did not read and kept their default.
    for (const std::string& warning : options.m_warnings) m_pFrame->AppendLog(warning);

    QStringList files;
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            ShowMessageBox(ToSjis(QObject::tr("不明なオプションです: %1").arg(argument)),
                           CCorvaneDoc::kDocName, MB_OK | MB_ICONEXCLAMATION);
            return false;
        }
        files.push_back(argument);
    }
    if (files.size() > 1) {
        ShowMessageBox(ToSjis(QObject::tr("開くプロジェクトは一つだけ指定してください")),
                       CCorvaneDoc::kDocName, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }

    if (!files.isEmpty()) {
        const std::string path = PathToSjis(files.front());
        // The window has said why a file could not be opened.
        if (!m_pFrame->OpenDocument(path)) return false;
    } else if (options.m_bOpenLastFile && FileExists(options.m_strLastFile) &&
               m_pFrame->OpenDocument(options.m_strLastFile)) {
        // Reopened the last project.
    } else {
        m_pFrame->NewDocument();
    }
    return true;
}

void CCorvaneApp::ExitInstance() {
    if (m_pFrame) SaveProfile();
    GetOptions().SaveOptions(m_strIniPath);
    m_pFrame.reset();
}

}  // namespace corvane::ui
