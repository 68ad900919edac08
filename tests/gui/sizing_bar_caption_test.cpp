// The log window's caption band: its active look follows the keyboard focus (checked on
// the drawn pixels too), it stands upright while docked at the top or bottom, its close
// button hides the bar only when released on it, and the band still moves the bar.
#include <QLineEdit>
#include <QMainWindow>
#include <QtTest>

#include "gui/gui_support.h"
#include "ui/log_bar.h"
#include "ui/sizing_bar_caption.h"
#include "ui/ui_text.h"

using corvane::test::Q;
using corvane::ui::CCVNLogBar;
using corvane::ui::CSizingBarCaption;

namespace {

// A shown, active window with a line edit beside the log window docked at the bottom.
struct Window {
    QMainWindow window;
    QLineEdit* line = new QLineEdit(&window);
    CCVNLogBar* bar = new CCVNLogBar(&window);
    CSizingBarCaption& caption = bar->GetCaption();
    Window() {
        window.setCentralWidget(line);
        window.addDockWidget(Qt::BottomDockWidgetArea, bar);
        window.resize(600, 400);
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window)) qFatal("window not active");
        line->setFocus();
        settle();
    }
    static void settle() {
        corvane::test::WaitUntil([] { return false; }, 30);
    }
    // The band as drawn now, and a point inside it clear of the title and the button.
    QImage grabCaption() { return caption.grab().toImage(); }
    QPoint bandMiddle() const {
        return caption.IsVertical() ? QPoint(caption.width() / 2, caption.height() * 2 / 3)
                                    : QPoint(caption.width() * 2 / 3, caption.height() / 2);
    }
    QColor highlight() const {
        return caption.palette().color(QPalette::Active, QPalette::Highlight);
    }
    void moveMouse(QPoint pos) {
        QMouseEvent move(QEvent::MouseMove, pos, caption.mapToGlobal(pos), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&caption, &move);
    }
};

// Pixels of `area` near `colour`: text is drawn smoothed, so its strokes are only close to
// the pen's colour.
int CountNear(const QImage& image, const QRect& area, const QColor& colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) <
                150) {
                ++count;
            }
        }
    }
    return count;
}

}  // namespace

class SizingBarCaptionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setFont(corvane::ui::UiFont()); }

    void theBandIsFilledWhileTheFocusIsInsideTheBar() {
        Window w;
        const QColor frame = w.caption.palette().color(QPalette::Disabled, QPalette::WindowText);
        QVERIFY(w.highlight() != w.caption.palette().color(QPalette::Window));
        QVERIFY(!w.caption.IsActive());
        QImage shot = w.grabCaption();
        QVERIFY(shot.pixelColor(w.bandMiddle()) != w.highlight());
        // Framed: the band's outer pixels are the grey-text colour.
        QCOMPARE(shot.pixelColor(0, w.caption.height() / 2), frame);

        w.bar->GetLogEdit().setFocus();
        QTRY_VERIFY(w.caption.IsActive());
        shot = w.grabCaption();
        QCOMPARE(shot.pixelColor(w.bandMiddle()), w.highlight());
        QCOMPARE(shot.pixelColor(0, w.caption.height() / 2), w.highlight());

        w.line->setFocus();
        QTRY_VERIFY(!w.caption.IsActive());
        shot = w.grabCaption();
        QVERIFY(shot.pixelColor(w.bandMiddle()) != w.highlight());
        QCOMPARE(shot.pixelColor(0, w.caption.height() / 2), frame);

        // Lying along the top (docked at a side) the title shows, in the caption-text
        // colour while active.
        w.window.addDockWidget(Qt::LeftDockWidgetArea, w.bar);
        w.bar->GetLogEdit().setFocus();
        QTRY_VERIFY(w.caption.IsActive());
        QTRY_VERIFY(!w.caption.IsVertical());
        Window::settle();
        shot = w.grabCaption();
        const QColor text = w.caption.palette().color(QPalette::Active, QPalette::HighlightedText);
        const int textPixels = CountNear(shot, QRect(0, 0, shot.width() / 3, shot.height()), text);
        QVERIFY2(textPixels > 5, qPrintable(QString::number(textPixels)));
    }

    void theBandStandsUprightOnlyAtTheTopOrBottom() {
        Window w;
        const int thickness = w.caption.Thickness();
        QVERIFY(thickness >= 12 && thickness <= 24);
        QVERIFY(w.caption.IsVertical());
        QVERIFY(w.bar->features() & QDockWidget::DockWidgetVerticalTitleBar);
        // Upright at the left edge, the text box beside it over the bar's full height.
        QCOMPARE(w.caption.width(), thickness);
        QCOMPARE(w.caption.x(), 0);
        QVERIFY(w.caption.height() > 3 * thickness);
        QVERIFY(w.bar->GetLogEdit().x() >= thickness);
        QVERIFY(w.bar->GetLogEdit().y() < thickness);
        // Its button at the top.
        QVERIFY(w.caption.CloseButtonRect().bottom() < thickness);

        w.window.addDockWidget(Qt::LeftDockWidgetArea, w.bar);
        QTRY_VERIFY(!w.caption.IsVertical());
        Window::settle();
        QCOMPARE(w.caption.height(), thickness);
        QVERIFY(w.caption.width() > 3 * thickness);
        QVERIFY(w.bar->GetLogEdit().y() >= thickness);
        QVERIFY(w.caption.CloseButtonRect().right() > w.caption.width() - thickness);

        w.window.addDockWidget(Qt::TopDockWidgetArea, w.bar);
        QTRY_VERIFY(w.caption.IsVertical());
        w.bar->setFloating(true);
        QTRY_VERIFY(!w.caption.IsVertical());

        // A saved placement at the left, restored into a window that docked it at the
        // bottom, turns the band too.
        w.window.addDockWidget(Qt::LeftDockWidgetArea, w.bar);
        const QByteArray state = w.window.saveState();
        Window again;
        QVERIFY(again.caption.IsVertical());
        QVERIFY(again.window.restoreState(state));
        QTRY_COMPARE(again.window.dockWidgetArea(again.bar), Qt::LeftDockWidgetArea);
        QTRY_VERIFY(!again.caption.IsVertical());
    }

    void theVerticalTitleIsDrawnOnlyWhenAskedFor() {
        Window w;
        const QColor ink = w.caption.palette().color(QPalette::Active, QPalette::ButtonText);
        auto inkBelowButton = [&] {
            const QImage shot = w.grabCaption();
            const int top = w.caption.CloseButtonRect().bottom() + 2;
            return CountNear(shot, QRect(1, top, shot.width() - 3, shot.height() - top - 1), ink);
        };
        QVERIFY(!w.caption.HasVerticalTitle());
        QCOMPARE(inkBelowButton(), 0);
        w.caption.SetVerticalTitle(true);
        QVERIFY(inkBelowButton() > 5);
    }

    void theCloseButtonHidesTheBarOnlyWhenReleasedOnIt() {
        Window w;
        const QRect button = w.caption.CloseButtonRect();
        QVERIFY(!button.isEmpty());
        QVERIFY(button.width() >= 11 && button.width() == button.height());

        // Hot under the mouse, at rest away from it.
        w.moveMouse(button.center());
        QVERIFY(w.caption.IsCloseHot());
        QVERIFY(!w.caption.IsClosePushed());
        w.moveMouse(w.bandMiddle());
        QVERIFY(!w.caption.IsCloseHot());

        // Pressed, then released elsewhere: taken back.
        QTest::mousePress(&w.caption, Qt::LeftButton, {}, button.center());
        QVERIFY(w.caption.IsClosePushed());
        QTest::mouseMove(&w.caption, w.bandMiddle());
        QVERIFY(!w.caption.IsClosePushed());
        QTest::mouseRelease(&w.caption, Qt::LeftButton, {}, w.bandMiddle());
        Window::settle();
        QVERIFY(w.bar->isVisible());
        QVERIFY(!w.caption.IsClosePushed());

        // Pressed, wandering off and back, released on it: the bar goes.
        QTest::mousePress(&w.caption, Qt::LeftButton, {}, button.center());
        QTest::mouseMove(&w.caption, w.bandMiddle());
        QTest::mouseMove(&w.caption, button.center());
        QVERIFY(w.caption.IsClosePushed());
        QTest::mouseRelease(&w.caption, Qt::LeftButton, {}, button.center());
        QTRY_VERIFY(w.bar->isHidden());

        // Back again, the button is at rest.
        w.bar->show();
        QTRY_VERIFY(w.bar->isVisible());
        QVERIFY(!w.caption.IsCloseHot());
        QVERIFY(!w.caption.IsClosePushed());
        QCOMPARE(w.bar->windowTitle(), Q("ログ"));
    }

    void theBandStillFloatsAndMovesTheBar() {
        Window w;
        QVERIFY(!w.bar->isFloating());
        // A double click on the band floats the bar, another docks it again.
        QTest::mouseDClick(&w.caption, Qt::LeftButton, {}, w.bandMiddle());
        QTRY_VERIFY(w.bar->isFloating());
        QVERIFY(w.bar->isVisible());
        // Floating: the band lies along the top, inside the floating frame.
        QTRY_VERIFY(!w.caption.IsVertical());
        Window::settle();
        QVERIFY(w.caption.y() < w.caption.Thickness());
        QCOMPARE(w.caption.height(), w.caption.Thickness());
        QTest::mouseDClick(&w.caption, Qt::LeftButton, {}, w.bandMiddle());
        QTRY_VERIFY(!w.bar->isFloating());
        QTRY_VERIFY(w.caption.IsVertical());
        QCOMPARE(w.window.dockWidgetArea(w.bar), Qt::BottomDockWidgetArea);
        // The dock slides back into place before it takes the next drag.
        corvane::test::WaitUntil([] { return false; }, 500);

        // A drag from the band takes the bar out of its dock; dropped away from the
        // window, it floats there.
        const QPoint start = w.bandMiddle();
        QTest::mousePress(&w.caption, Qt::LeftButton, {}, start);
        QTest::mouseMove(&w.caption, start + QPoint(20, -20));
        QVERIFY(w.bar->isFloating());
        QTest::mouseMove(&w.caption, start + QPoint(900, -700));
        QTest::mouseRelease(&w.caption, Qt::LeftButton, {}, start + QPoint(900, -700));
        QTRY_VERIFY(w.bar->isFloating());
        QVERIFY(w.bar->isVisible());
        QVERIFY(!w.window.geometry().intersects(w.bar->geometry()));
    }
};

QTEST_MAIN(SizingBarCaptionTest)
#include "sizing_bar_caption_test.moc"
