#include "gui/gui_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "platform/text_codec.h"
#include "project/corvane_doc.h"

namespace corvane::test {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

SampleProject::SampleProject(bool serve) {
    if (serve) {
        m_pWiki = std::make_unique<SampleWiki>(SampleWiki::DefaultFolder());
        m_pServer = std::make_unique<LoopbackServer>();
        m_pWiki->Install(m_pServer->Server());
        m_pServer->Start();
    }
    std::filesystem::create_directories(m_dir / "help");
    CCorvaneDoc doc;
    if (!doc.LoadFromFile(FromNativePath(SourceDir() / "sample" / "sample.xml"))) {
        throw std::runtime_error("sample project cannot be read");
    }
    doc.SetURL(StartUrl());
    doc.SetFolder(OutputFolder());
    if (!doc.SaveToFile(ProjectPath())) throw std::runtime_error("sample project not written");
}

std::string SampleProject::ProjectPath() const { return FromNativePath(m_dir / "sample.xml"); }

std::string SampleProject::OutputFolder() const {
    return FromNativePath(m_dir / "help") + NativeSeparator();
}

std::filesystem::path SampleProject::HelpFile() const { return m_dir / "help" / "Corvane.chm"; }

std::string SampleProject::IniPath() const { return FromNativePath(m_dir / "corvane.ini"); }

std::string SampleProject::StartUrl() const {
    return m_pServer ? m_pServer->Url("/?FrontPage") : "http://127.0.0.1:9/?FrontPage";
}

}  // namespace corvane::test
