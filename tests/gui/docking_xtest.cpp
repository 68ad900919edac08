// The bars under a real X server with a window manager: the log window floated by dragging
// its caption, docked again on every side, resized by its inner edge, the bars toggled, the
// tool bar floated and docked again, and the placement brought back at the next start.
// After every step the main window is on the screen and exactly as large as the form and
// the bars docked around it.
#include <QMenuBar>
#include <QProcess>
#include <QStyle>
#include <QToolBar>
#include <QtTest>

#include "gui/gui_support.h"
#include "platform/profile.h"
#include "platform/text_codec.h"
#include "project/options.h"
#include "support/recording_message_box.h"
#include "ui/corvane_app.h"
#include "ui/corvane_view.h"
#include "ui/log_bar.h"
#include "ui/main_frame.h"
#include "ui/sizing_bar_caption.h"
#include "ui/status_bar.h"
#include "ui/ui_text.h"

using namespace corvane;
using corvane::test::Q;
using corvane::ui::CMainFrame;

namespace {

// Real pointer input through the X server, as a user's hand gives it.
void Xdotool(const QStringList& arguments) {
    QProcess::execute(QStringLiteral("xdotool"), arguments);
    test::WaitUntil([] { return false; }, 30);
}

void Drag(const QPoint& from, const QPoint& to) {
    Xdotool({Q("mousemove"), QString::number(from.x()), QString::number(from.y())});
    Xdotool({Q("mousedown"), Q("1")});
    const int steps = 12;
    for (int i = 1; i <= steps; ++i) {
        const QPoint at = from + (to - from) * i / steps;
        Xdotool({Q("mousemove"), QString::number(at.x()), QString::number(at.y())});
    }
    Xdotool({Q("mouseup"), Q("1")});
    test::WaitUntil([] { return false; }, 300);
}

void DoubleClick(const QPoint& at) {
    Xdotool({Q("mousemove"), QString::number(at.x()), QString::number(at.y())});
    Xdotool({Q("click"), Q("--repeat"), Q("2"), Q("--delay"), Q("80"), Q("1")});
    test::WaitUntil([] { return false; }, 300);
}

// What the X server says of the window: mapped and viewable.
bool IsViewable(QWidget& window) {
    QProcess info;
    info.start(QStringLiteral("xwininfo"), {Q("-id"), QString::number(window.winId())});
    if (!info.waitForFinished(10000)) return false;
    return QString::fromUtf8(info.readAllStandardOutput()).contains(Q("IsViewable"));
}

// A shown main window on a new project.
struct Frame {
    test::RecordingMessageBox boxes;
    CCorvaneDoc doc;
    CMainFrame frame{doc};
    Frame() { Show(); }
    void Show() {
        frame.GetDriver().SetOpenResult(false);
        frame.show();
        if (!QTest::qWaitForWindowExposed(&frame)) qFatal("window not shown");
        Settle();
    }
    static void Settle() {
        test::WaitUntil([] { return false; }, 200);
    }
    ui::CCVNLogBar& log() { return frame.GetLogBar(); }
    int separator() {
        return frame.style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, &frame);
    }
    QPoint global(QWidget& widget, const QPoint& local) { return widget.mapToGlobal(local); }
    // The size the window must have: the form and every bar docked and shown around it.
    QSize expected() {
        // The form's fixed size.
        QSize size = frame.GetView().maximumSize();
        size.rheight() += frame.menuBar()->height();
        QToolBar& tools = frame.GetToolBar();
        if (!tools.isHidden() && !tools.isFloating()) {
            const Qt::ToolBarArea area = frame.toolBarArea(&tools);
            if (area == Qt::TopToolBarArea || area == Qt::BottomToolBarArea) {
                size.rheight() += tools.height();
            } else {
                size.rwidth() += tools.width();
            }
        }
        if (!frame.GetStatusBar().isHidden()) size.rheight() += frame.GetStatusBar().height();
        if (!log().isHidden() && !log().isFloating()) {
            const Qt::DockWidgetArea area = frame.dockWidgetArea(&log());
            if (area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea) {
                size.rheight() += log().height() + separator();
            } else {
                size.rwidth() += log().width() + separator();
            }
        }
        return size;
    }
    // The window's rule, checked after a step: on the screen, the form at its size inside
    // it, nothing more and nothing less around it than the bars.
    bool fits(QString* why) {
        const bool settled = test::WaitUntil(
            [&] {
                return frame.size() == expected() &&
                       frame.GetView().size() == frame.GetView().maximumSize();
            },
            5000);
        QString problem;
        if (!settled) {
            problem = Q("window %1x%2, expected %3x%4, form %5x%6 of %7x%8")
                          .arg(frame.width())
                          .arg(frame.height())
                          .arg(expected().width())
                          .arg(expected().height())
                          .arg(frame.GetView().width())
                          .arg(frame.GetView().height())
                          .arg(frame.GetView().maximumWidth())
                          .arg(frame.GetView().maximumHeight());
        } else if (!frame.isVisible() || !frame.windowHandle()->isExposed() || !IsViewable(frame)) {
            problem = Q("the main window is not on the screen");
        } else if (!frame.rect().contains(frame.GetView().geometry())) {
            problem = Q("the form is not inside the window");
        }
        if (why) *why = problem;
        return problem.isEmpty();
    }
};

#define QVERIFY_FITS(f)                            \
    do {                                           \
        QString why;                               \
        QVERIFY2((f).fits(&why), qPrintable(why)); \
    } while (false)

}  // namespace

class DockingTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QApplication::setFont(ui::UiFont());
        if (QGuiApplication::platformName() != Q("xcb")) QSKIP("needs an X server (run-under-x)");
    }

    void theLogFloatsByItsCaptionAndDocksAgainOnEverySide() {
        Frame f;
        QVERIFY_FITS(f);
        const QSize start = f.frame.size();
        const int logHeight = f.log().height();
        QVERIFY(logHeight >= 100);

        // Dragged by its caption away from the window: it floats, the window gives up its row.
        ui::CSizingBarCaption& caption = f.log().GetCaption();
        const QPoint grip = f.global(caption, caption.rect().center() + QPoint(0, 20));
        const QPoint away = f.frame.frameGeometry().bottomRight() + QPoint(120, -200);
        Drag(grip, QPoint(std::min(away.x(), 1100), std::min(away.y(), 900)));
        QTRY_VERIFY(f.log().isFloating());
        QVERIFY_FITS(f);
        QCOMPARE(f.frame.height(), start.height() - logHeight - f.separator());
        QVERIFY(f.log().isVisible() && f.log().height() >= 60);

        // Closing the floating log leaves the main window as it is.
        f.log().close();
        QVERIFY(f.log().isHidden());
        QVERIFY_FITS(f);
        f.frame.OnToggleLogBar();
        QTRY_VERIFY(f.log().isVisible());
        QVERIFY(f.log().isFloating());
        QVERIFY_FITS(f);

        // A double click on its caption docks it where it was, at the height it had.
        DoubleClick(f.global(f.log().GetCaption(), f.log().GetCaption().rect().center()));
        QTRY_VERIFY(!f.log().isFloating());
        QCOMPARE(f.frame.dockWidgetArea(&f.log()), Qt::BottomDockWidgetArea);
        QVERIFY_FITS(f);
        QCOMPARE(f.log().height(), logHeight);
        QCOMPARE(f.frame.size(), start);

        // Floated again and dropped on the window's left edge: docked there.
        const QPoint grip2 = f.global(f.log().GetCaption(), f.log().GetCaption().rect().center());
        Drag(grip2, grip2 + QPoint(150, 120));
        QTRY_VERIFY(f.log().isFloating());
        const QPoint caption2 =
            f.global(f.log().GetCaption(), f.log().GetCaption().rect().center());
        const QPoint leftEdge =
            f.global(f.frame.GetView(), QPoint(8, f.frame.GetView().height() / 2));
        Drag(caption2, leftEdge);
        QTRY_VERIFY(!f.log().isFloating());
        QCOMPARE(f.frame.dockWidgetArea(&f.log()), Qt::LeftDockWidgetArea);
        QVERIFY_FITS(f);
        const int columnWidth = f.log().width();
        QVERIFY(columnWidth >= 150);

        // Every side in turn, as a drop there does; each keeps the size it had on its kind.
        for (Qt::DockWidgetArea area : {Qt::TopDockWidgetArea, Qt::RightDockWidgetArea,
                                        Qt::BottomDockWidgetArea, Qt::LeftDockWidgetArea}) {
            f.frame.addDockWidget(area, &f.log());
            QTRY_COMPARE(f.frame.dockWidgetArea(&f.log()), area);
            QVERIFY_FITS(f);
            if (area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea) {
                QCOMPARE(f.log().height(), logHeight);
            } else {
                QCOMPARE(f.log().width(), columnWidth);
            }
        }
        f.frame.addDockWidget(Qt::BottomDockWidgetArea, &f.log());
        QVERIFY_FITS(f);
        QCOMPARE(f.frame.size(), start);
    }

    void theLogIsResizedByDraggingItsInnerEdge() {
        Frame f;
        const QSize start = f.frame.size();
        const int logHeight = f.log().height();
        QRect edge = f.frame.LogSizingEdge();
        QVERIFY(!edge.isEmpty());
        // Up by 60: the log gains 60, the window with it, the form keeps its size.
        QPoint from = f.global(f.frame, edge.center());
        Drag(from, from - QPoint(0, 60));
        QVERIFY_FITS(f);
        QCOMPARE(f.log().height(), logHeight + 60);
        QCOMPARE(f.frame.height(), start.height() + 60);
        // Down past its least height: it stops there, readable.
        edge = f.frame.LogSizingEdge();
        from = f.global(f.frame, edge.center());
        Drag(from, from + QPoint(0, 400));
        QVERIFY_FITS(f);
        QCOMPARE(f.log().height(), CMainFrame::kMinLogExtent);

        // At the left side its right edge sizes its width.
        f.frame.addDockWidget(Qt::LeftDockWidgetArea, &f.log());
        QVERIFY_FITS(f);
        const int width = f.log().width();
        edge = f.frame.LogSizingEdge();
        from = f.global(f.frame, edge.center());
        Drag(from, from + QPoint(50, 0));
        QVERIFY_FITS(f);
        QCOMPARE(f.log().width(), width + 50);
    }

    void togglingTheBarsFiveTimesLosesNothing() {
        Frame f;
        const QSize start = f.frame.size();
        const int logHeight = f.log().height();
        QAction* tools = f.frame.findChild<QAction*>(Q("actionViewToolBar"));
        QAction* status = f.frame.findChild<QAction*>(Q("actionViewStatusBar"));
        QAction* log = f.frame.findChild<QAction*>(Q("actionViewLog"));
        for (int round = 0; round < 5; ++round) {
            for (QAction* action : {tools, status, log}) {
                action->trigger();
                QVERIFY_FITS(f);
            }
            QVERIFY(f.frame.GetToolBar().isHidden());
            QVERIFY(f.log().isHidden());
            for (QAction* action : {log, status, tools}) {
                action->trigger();
                QVERIFY_FITS(f);
            }
            QCOMPARE(f.log().height(), logHeight);
            QCOMPARE(f.frame.size(), start);
        }
    }

    void theToolBarFloatsAndDocksAgain() {
        Frame f;
        const QSize start = f.frame.size();
        QToolBar& tools = f.frame.GetToolBar();
        // The bar's own handle (or border, floating): the first point that is no button.
        auto grip = [&] {
            for (int x = 4; x < tools.width(); ++x) {
                if (tools.childAt(x, tools.height() / 2) == nullptr) {
                    return f.global(tools, QPoint(x + 1, tools.height() / 2));
                }
            }
            return f.global(tools, QPoint(1, tools.height() / 2));
        };
        const QPoint handle = grip();
        Drag(handle, handle + QPoint(300, 350));
        QTRY_VERIFY(tools.isFloating());
        QVERIFY_FITS(f);
        QCOMPARE(f.frame.height(), start.height() - tools.height());

        // A double click docks it again at the top.
        DoubleClick(grip());
        QTRY_VERIFY(!tools.isFloating());
        QCOMPARE(f.frame.toolBarArea(&tools), Qt::TopToolBarArea);
        QVERIFY_FITS(f);
        QCOMPARE(f.frame.size(), start);

        // Floated again and docked again: the window is as it was each time.
        const QPoint handle2 = grip();
        Drag(handle2, handle2 + QPoint(300, 350));
        QTRY_VERIFY(tools.isFloating());
        QVERIFY_FITS(f);
        DoubleClick(grip());
        QTRY_VERIFY(!tools.isFloating());
        QVERIFY_FITS(f);
        QCOMPARE(f.frame.size(), start);
    }

    void theNextStartBringsBackTheLogsSideAndSize() {
        test::ScratchDir dir;
        const std::string ini = FromNativePath(dir / "corvane.ini");
        int width = 0;
        {
            test::RecordingMessageBox boxes;
            ui::CCorvaneApp app(ini);
            QVERIFY(app.InitInstance({}));
            CMainFrame& frame = *app.GetMainFrame();
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            frame.addDockWidget(Qt::LeftDockWidgetArea, &frame.GetLogBar());
            frame.SetLogExtent(260);
            QTRY_COMPARE(frame.GetLogBar().width(), 260);
            frame.addDockWidget(Qt::BottomDockWidgetArea, &frame.GetLogBar());
            frame.SetLogExtent(90);
            frame.addDockWidget(Qt::LeftDockWidgetArea, &frame.GetLogBar());
            QTRY_COMPARE(frame.GetLogBar().width(), 260);
            width = frame.GetLogBar().width();
            app.ExitInstance();
        }
        {
            test::RecordingMessageBox boxes;
            ui::CCorvaneApp app(ini);
            QVERIFY(app.InitInstance({}));
            CMainFrame& frame = *app.GetMainFrame();
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            QCOMPARE(frame.dockWidgetArea(&frame.GetLogBar()), Qt::LeftDockWidgetArea);
            QTRY_COMPARE(frame.GetLogBar().width(), width);
            QVERIFY(!frame.GetToolBar().isFloating());
            // Back at the bottom it has the height it had there.
            frame.addDockWidget(Qt::BottomDockWidgetArea, &frame.GetLogBar());
            QTRY_COMPARE(frame.GetLogBar().height(), 90);
            // Floated off every screen, as with a monitor since unplugged.
            frame.GetLogBar().setFloating(true);
            frame.GetLogBar().move(20000, 20000);
            QTRY_COMPARE(frame.GetLogBar().pos(), QPoint(20000, 20000));
            app.ExitInstance();
        }
        // Sizes of nothing and beyond any screen are not taken either.
        WritePrivateProfileString("BarState-SCBar-59424", "sizeHorzCY", "0", ini);
        WritePrivateProfileString("BarState-SCBar-59424", "sizeFloatCX", "99999", ini);
        {
            test::RecordingMessageBox boxes;
            ui::CCorvaneApp app(ini);
            QVERIFY(app.InitInstance({}));
            CMainFrame& frame = *app.GetMainFrame();
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            QVERIFY2(!frame.GetLogBar().isFloating(),
                     qPrintable(Q("%1,%2").arg(frame.GetLogBar().x()).arg(frame.GetLogBar().y())));
            QCOMPARE(frame.dockWidgetArea(&frame.GetLogBar()), Qt::BottomDockWidgetArea);
            QTRY_VERIFY(frame.GetLogBar().height() >= CMainFrame::kMinLogExtent);
            QVERIFY(IsViewable(frame));
            frame.addDockWidget(Qt::LeftDockWidgetArea, &frame.GetLogBar());
            QTRY_COMPARE(frame.GetLogBar().width(), width);
            app.GetDocument().SetModifiedFlag(false);
        }
    }
};

QTEST_MAIN(DockingTest)
#include "docking_xtest.moc"
