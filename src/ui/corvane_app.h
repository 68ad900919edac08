// The program's start and end: options loaded from the options file (which also keeps the
// recent projects and the bar placement), the project named on the command line or the
// last one reopened or a new one, and the options written back at the end.
#pragma once

#include <QStringList>
#include <memory>
#include <string>

#include "project/corvane_doc.h"

namespace corvane::ui {

class CMainFrame;

class CCorvaneApp {
public:
    // `iniPath`: the options file (Shift_JIS path).
    explicit CCorvaneApp(std::string iniPath);
    ~CCorvaneApp();
    CCorvaneApp(const CCorvaneApp&) = delete;
    CCorvaneApp& operator=(const CCorvaneApp&) = delete;

    // `arguments` without the program name. False when start-up failed: a named project
    // could not be loaded (the user has been told) or an argument is not understood.
    bool InitInstance(const QStringList& arguments);
    // Stores the recent files, the bar placement and the options.
    void ExitInstance();

    CMainFrame* GetMainFrame() const { return m_pFrame.get(); }
    CCorvaneDoc& GetDocument() { return m_doc; }

private:
    void LoadProfile();
    void SaveProfile();

    std::string m_strIniPath;
    CCorvaneDoc m_doc;
    std::unique_ptr<CMainFrame> m_pFrame;
};

}  // namespace corvane::ui
