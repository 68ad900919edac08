// The log window's text box: the newest lines kept, line feeds inside messages, deleting
// single lines, and scrolling to the end.
#include <QScrollBar>
#include <QtTest>

#include "ui/log_bar.h"
#include "ui/log_edit.h"

using corvane::ui::CCVNLogBar;
using corvane::ui::CLogEdit;

class LogEditTest : public QObject {
    Q_OBJECT
private slots:
    void keepsTheNewestLinesAndTheEmptyLastLine() {
        CLogEdit edit;
        edit.resize(300, 120);
        edit.show();
        for (int i = 0; i < 300; ++i) edit.AppendText(QStringLiteral("line %1\n").arg(i));
        // 255 messages and the empty line after the last line feed.
        QCOMPARE(edit.GetLineCount(), 256);
        QCOMPARE(edit.GetLine(0), QStringLiteral("line 45"));
        QCOMPARE(edit.GetLine(254), QStringLiteral("line 299"));
        QCOMPARE(edit.GetLine(255), QString());
        QVERIFY(edit.verticalScrollBar()->maximum() > 0);
        QCOMPARE(edit.verticalScrollBar()->value(), edit.verticalScrollBar()->maximum());
    }

    void exactlyAtTheLimitNothingIsDropped() {
        CLogEdit edit;
        for (int i = 0; i < 255; ++i) edit.AppendText(QStringLiteral("m%1\n").arg(i));
        QCOMPARE(edit.GetLineCount(), 256);
        QCOMPARE(edit.GetLine(0), QStringLiteral("m0"));
        edit.AppendText(QStringLiteral("m255\n"));
        QCOMPARE(edit.GetLineCount(), 256);
        QCOMPARE(edit.GetLine(0), QStringLiteral("m1"));
    }

    void aLineFeedInsideAMessageStartsANewLine() {
        CLogEdit edit;
        edit.AppendText(QStringLiteral("first\n"));
        edit.AppendText(QStringLiteral("two\nlines\n"));
        edit.AppendText(QStringLiteral("windows\r\nends\n"));
        QCOMPARE(edit.GetLineCount(), 6);
        QCOMPARE(edit.GetLine(1), QStringLiteral("two"));
        QCOMPARE(edit.GetLine(2), QStringLiteral("lines"));
        QCOMPARE(edit.GetLine(3), QStringLiteral("windows"));
        QCOMPARE(edit.GetLine(4), QStringLiteral("ends"));
    }

    void appendingContinuesAnUnfinishedLine() {
        CLogEdit edit;
        edit.AppendText(QStringLiteral("ab"));
        edit.AppendText(QStringLiteral("cd\n"));
        QCOMPARE(edit.GetLine(0), QStringLiteral("abcd"));
        QCOMPARE(edit.GetLineCount(), 2);
    }

    void deleteLineRemovesOneLineWithItsEnd() {
        CLogEdit edit;
        edit.AppendText(QStringLiteral("a\nb\nc"));
        edit.DeleteLine(1);
        QCOMPARE(edit.toPlainText(), QStringLiteral("a\nc"));
        edit.DeleteLine(1);  // the last line
        QCOMPARE(edit.toPlainText(), QStringLiteral("a"));
        edit.DeleteLine(5);  // no such line
        QCOMPARE(edit.toPlainText(), QStringLiteral("a"));
    }

    void aNegativeLimitKeepsEverythingAndTheBoxIsReadOnly() {
        CLogEdit edit;
        edit.SetLineLimit(-1);
        for (int i = 0; i < 300; ++i) edit.AppendText(QStringLiteral("x\n"));
        QCOMPARE(edit.GetLineCount(), 301);
        QVERIFY(edit.isReadOnly());
    }

    void theLogBarDocksEverywhereFloatsAndCloses() {
        CCVNLogBar bar;
        QCOMPARE(bar.windowTitle(), QString::fromUtf8("ログ"));
        QCOMPARE(bar.allowedAreas(), Qt::AllDockWidgetAreas);
        QVERIFY(bar.features() & QDockWidget::DockWidgetClosable);
        QVERIFY(bar.features() & QDockWidget::DockWidgetFloatable);
        QVERIFY(bar.features() & QDockWidget::DockWidgetMovable);
        QCOMPARE(bar.GetLogEdit().GetLineLimit(), 256);
    }
};

QTEST_MAIN(LogEditTest)
#include "log_edit_test.moc"
