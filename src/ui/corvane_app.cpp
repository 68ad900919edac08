#include "ui/corvane_app.h"

#include <QByteArray>
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
}

bool CCorvaneApp::InitInstance(const QStringList& arguments) {
    COptions& options = GetOptions();
    options.LoadOptions(m_strIniPath);
    m_pFrame = std::make_unique<CMainFrame>(m_doc);
    LoadProfile();

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
        if (!m_pFrame->OpenDocument(path)) {
            // A missing file has been reported by the load; a file that is there but is no
            // project would otherwise end the program without a word.
            if (FileExists(path)) {
                ShowMessageBox(ToSjis(QObject::tr("プロジェクトファイルとして読み込めません\n[%1]")
                                          .arg(files.front())),
                               CCorvaneDoc::kDocName, MB_OK | MB_ICONEXCLAMATION);
            }
            return false;
        }
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
