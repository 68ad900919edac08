// What the desktop program's tests share: the sample project served by the loopback sample
// wiki, a scratch options file, and waiting for the event loop.
#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "support/loopback_server.h"
#include "support/sample_wiki.h"
#include "support/test_paths.h"

namespace corvane::test {

// Runs the event loop until `done` holds or `timeoutMs` passes; returns done().
bool WaitUntil(const std::function<bool()>& done, int timeoutMs);

// A scratch folder with the bundled sample project in it, pointed at a loopback copy of
// the sample wiki and at an output folder of its own.
class SampleProject {
public:
    // `serve`: false leaves the wiki unserved (the project then names a closed port).
    explicit SampleProject(bool serve = true);

    const std::filesystem::path& Folder() const { return m_dir.path(); }
    // The project file and the output folder, as the core's Shift_JIS paths.
    std::string ProjectPath() const;
    std::string OutputFolder() const;
    std::filesystem::path HelpFile() const;
    std::string IniPath() const;
    std::string StartUrl() const;

private:
    ScratchDir m_dir;
    std::unique_ptr<SampleWiki> m_pWiki;
    std::unique_ptr<LoopbackServer> m_pServer;
};

// A UTF-8 literal as a QString (texts on the window are compared with these).
inline QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace corvane::test
