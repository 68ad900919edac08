// corvane-screenshots: renders the desktop program's window into PNG files, without a
// display (offscreen platform, real fonts): the form's two tabs with the sample project,
// a run of the sample wiki served on loopback, the window after the run, the log window
// floating and docked at the left, and the options and version dialogs. They are pictures of the
// real window, not mock-ups.
//
//   corvane-screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>

#include "gui/gui_support.h"
#include "project/options.h"
#include "support/recording_message_box.h"
#include "ui/about_dlg.h"
#include "ui/corvane_app.h"
#include "ui/corvane_view.h"
#include "ui/log_bar.h"
#include "ui/main_frame.h"
#include "ui/option_dlg.h"
#include "ui/progress_bar.h"
#include "ui/ui_text.h"

namespace {

bool Save(QWidget& widget, const QDir& folder, const char* name) {
    widget.repaint();
    QApplication::processEvents();
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "corvane-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// The window with its floating log beside it, drawn where each one is on the screen.
bool SaveWithFloatingLog(corvane::ui::CMainFrame& frame, const QDir& folder, const char* name) {
    QWidget& log = frame.GetLogBar();
    frame.repaint();
    log.repaint();
    QApplication::processEvents();
    const QRect both = frame.frameGeometry().united(log.frameGeometry());
    QPixmap picture(both.size());
    picture.fill(QColor(0x6d, 0x7f, 0x8f));
    QPainter painter(&picture);
    painter.drawPixmap(frame.geometry().topLeft() - both.topLeft(), frame.grab());
    painter.drawPixmap(log.geometry().topLeft() - both.topLeft(), log.grab());
    painter.end();
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (!picture.save(path)) {
        std::fprintf(stderr, "corvane-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane-screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    QApplication::setFont(corvane::ui::UiFont());
    QDir folder(QString::fromLocal8Bit(argv[1]));
    folder.mkpath(QStringLiteral("."));

    using namespace corvane;
    test::RecordingMessageBox boxes;
    test::SampleProject project;
    ui::CCorvaneApp app(project.IniPath());
    // The tabs show the bundled sample project as a user finds it; the run uses a copy
    // pointed at the served wiki.
    const QString bundled =
        QString::fromStdString((test::SourceDir() / "sample" / "sample.xml").string());
    if (!app.InitInstance({bundled})) return 1;
    GetOptions().m_strHHWPath = "/usr/bin/chmcmd";
    ui::CMainFrame& frame = *app.GetMainFrame();
    frame.GetDriver().SetOpenResult(false);
    frame.move(0, 0);
    frame.show();
    test::WaitUntil([] { return false; }, 300);

    bool ok = Save(frame, folder, "main-general.png");
    frame.GetView().GetTabCtrl()->setCurrentIndex(1);
    ok = Save(frame, folder, "main-detail.png") && ok;
    frame.GetView().GetTabCtrl()->setCurrentIndex(0);

    // A run of the sample wiki: caught half way, then after the help file is made.
    if (!frame.OpenDocument(project.ProjectPath())) return 1;
    frame.OnCreateHelp();
    test::WaitUntil(
        [&] {
            return frame.GetLogBar().GetLogEdit().GetLineCount() > 8 ||
                   !frame.GetDriver().IsRunning();
        },
        30000);
    ok = Save(frame, folder, "main-running.png") && ok;
    test::WaitUntil([&] { return !frame.GetDriver().IsRunning(); }, 120000);
    ok = Save(frame, folder, "main-after-run.png") && ok;

    // The log window floated beside the window, then docked at its left side.
    frame.GetLogBar().setFloating(true);
    test::WaitUntil([] { return false; }, 200);
    frame.GetLogBar().move(frame.frameGeometry().right() + 16, frame.y() + 60);
    frame.GetLogBar().resize(420, 260);
    test::WaitUntil([] { return false; }, 200);
    ok = SaveWithFloatingLog(frame, folder, "log-floating.png") && ok;
    // A floating dock is only placed by addDockWidget once it is docked again.
    frame.GetLogBar().setFloating(false);
    frame.addDockWidget(Qt::LeftDockWidgetArea, &frame.GetLogBar());
    test::WaitUntil([] { return false; }, 300);
    ok = Save(frame, folder, "log-left.png") && ok;
    frame.addDockWidget(Qt::BottomDockWidgetArea, &frame.GetLogBar());
    test::WaitUntil([] { return false; }, 300);

    {
        ui::COptionDlg options(GetOptions(), &frame);
        options.show();
        test::WaitUntil([] { return false; }, 100);
        ok = Save(options, folder, "options-dialog.png") && ok;
    }
    {
        ui::CAboutDlg about(&frame);
        about.show();
        test::WaitUntil([] { return false; }, 100);
        ok = Save(about, folder, "version-dialog.png") && ok;
    }

    for (const auto& box : boxes.boxes()) {
        std::fprintf(stderr, "corvane-screenshots: message box: %s\n",
                     ui::FromSjis(box.text).toUtf8().constData());
    }
    app.GetDocument().SetModifiedFlag(false);
    app.ExitInstance();
    return ok ? 0 : 1;
}
