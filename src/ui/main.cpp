// corvane: the desktop program.
#include <QApplication>

#include "project/options.h"
#include "ui/corvane_app.h"
#include "ui/ending_signals.h"
#include "ui/main_frame.h"
#include "ui/qt_translations.h"
#include "ui/ui_text.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setDesktopFileName(QStringLiteral("corvane"));
    QApplication::setFont(corvane::ui::UiFont());
    corvane::ui::InstallQtTranslations();

    corvane::ui::CCorvaneApp app(corvane::GetIniPath());
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!app.InitInstance(arguments)) return 1;
    corvane::ui::CMainFrame* frame = app.GetMainFrame();
    corvane::ui::CEndingSignals endingSignals;
    QObject::connect(&endingSignals, &corvane::ui::CEndingSignals::Received, frame,
                     &corvane::ui::CMainFrame::EndBySignal);
    frame->show();
    const int result = QApplication::exec();
    app.ExitInstance();
    return result;
}
