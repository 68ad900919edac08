// The status bar's progress bar: its place in the pane with and without a label and with a
// width share, and the pane's text given back when it goes.
#include <QtTest>

#include "ui/progress_bar.h"
#include "ui/status_bar.h"

using corvane::ui::CProgressBar;
using corvane::ui::CStatusBar;
using corvane::ui::ProgressRect;

class ProgressBarTest : public QObject {
    Q_OBJECT
private slots:
    void theRectangleArithmetic() {
        // Pane (100, 2)-(180, 24): 22 high, a tenth is 2 (rounded towards zero).
        QCOMPARE(ProgressRect(100, 2, 180, 24, 0, 4, false, 100), QRect(100, 4, 80, 18));
        // A label of 20 plus four blanks of 4: the bar starts at 136.
        QCOMPARE(ProgressRect(100, 2, 180, 24, 20, 4, true, 100), QRect(136, 4, 44, 18));
        // Share 50 of the 44 after the label: ends half way, 22 wide.
        QCOMPARE(ProgressRect(100, 2, 180, 24, 20, 4, true, 50), QRect(136, 4, 22, 18));
        // An odd width: 45 * 50 / 100 = 22 (not 23) is taken off.
        QCOMPARE(ProgressRect(100, 0, 145, 10, 0, 4, false, 50).width(), 23);
        // A label wider than the pane leaves an empty bar, never a negative one.
        QCOMPARE(ProgressRect(100, 2, 180, 24, 200, 4, true, 100).width(), 0);
        // Less than ten pixels high: nothing is taken off.
        QCOMPARE(ProgressRect(0, 0, 10, 9, 0, 4, false, 100).height(), 9);
    }

    void coversThePaneLessATenthTopAndBottom() {
        QWidget window;
        auto* status = new CStatusBar({80}, &window);
        status->setGeometry(0, 0, 400, 24);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        status->SetPaneText(1, QStringLiteral("before"));
        {
            CProgressBar bar;
            QVERIFY(bar.CreateInStatusBar(status, QString(), 100, 10, true, 1));
            const QRect pane = status->GetPaneRect(1);
            const int tenth = pane.height() / 10;
            QCOMPARE(bar.geometry(), QRect(pane.left(), pane.top() + tenth, pane.width(),
                                           pane.height() - 2 * tenth));
            QCOMPARE(bar.maximum(), 10);
            QCOMPARE(bar.value(), 0);
            QVERIFY(bar.isVisible());
        }
        // The pane's text before the bar comes back.
        QCOMPARE(status->GetPaneText(1), QStringLiteral("before"));
    }

    void withALabelAndHalfTheWidth() {
        QWidget window;
        auto* status = new CStatusBar({200}, &window);
        status->setGeometry(0, 0, 500, 24);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CProgressBar bar;
        const QString label = QString::fromUtf8("取得中");
        QVERIFY(bar.CreateInStatusBar(status, label, 50, 5, false, 1));
        const QRect pane = status->GetPaneRect(1);
        const QFontMetrics metrics(status->font());
        const int start = pane.left() + metrics.horizontalAdvance(label) +
                          4 * metrics.horizontalAdvance(QLatin1Char(' '));
        const int right = pane.left() + pane.width();
        QCOMPARE(bar.geometry().left(), start);
        QCOMPARE(bar.geometry().left() + bar.geometry().width(),
                 right - (50 * (right - start)) / 100);
        QCOMPARE(status->GetPaneText(1), label);
    }

    void followsThePaneWhenTheStatusBarIsResized() {
        QWidget window;
        auto* status = new CStatusBar({80}, &window);
        status->setGeometry(0, 0, 400, 24);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CProgressBar bar;
        QVERIFY(bar.CreateInStatusBar(status, QString(), 100, 3, true, 1));
        status->setGeometry(0, 0, 600, 30);
        QTRY_COMPARE(bar.geometry().left(), status->GetPaneRect(1).left());
        QCOMPARE(bar.GetPlacedRect(), bar.geometry());
    }

    void paneZeroGetsTheIdleTextBack() {
        QWidget window;
        auto* status = new CStatusBar({80}, &window);
        status->setGeometry(0, 0, 400, 24);
        window.show();
        status->SetPaneText(0, QStringLiteral("last log line"));
        {
            CProgressBar bar;
            QVERIFY(bar.CreateInStatusBar(status, QString(), 100, 3, true, 0));
        }
        QCOMPARE(status->GetPaneText(0), QString::fromUtf8("レディ"));
    }

    void withoutAStatusBarOrPaneItFails() {
        CProgressBar bar;
        QVERIFY(!bar.CreateInStatusBar(nullptr, QString(), 100, 3, true, 1));
        CStatusBar status({80});
        QVERIFY(!bar.CreateInStatusBar(&status, QString(), 100, 3, true, 2));
    }
};

QTEST_MAIN(ProgressBarTest)
#include "progress_bar_test.moc"
