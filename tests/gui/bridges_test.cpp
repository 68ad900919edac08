// Where the core meets Qt: message boxes with the Windows button sets, icons and default
// buttons, and crawl messages from other threads delivered by Qt's event loop.
#include <QPushButton>
#include <QtTest>
#include <atomic>
#include <thread>

#include "gui/gui_support.h"
#include "platform/message_window.h"
#include "ui/qt_message_box.h"
#include "ui/qt_message_pump.h"

using namespace corvane;
using corvane::test::Q;
using corvane::ui::CQtMessageBoxHandler;

class BridgesTest : public QObject {
    Q_OBJECT
private slots:
    void buttonSetsIconsAndDefaults_data() {
        QTest::addColumn<unsigned>("flags");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("defaultText");
        QTest::addColumn<int>("icon");
        QTest::newRow("ok") << (MB_OK | MB_ICONEXCLAMATION) << QStringList{Q("OK")} << Q("OK")
                            << int(QMessageBox::Warning);
        QTest::newRow("yes no, second default") << (MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2)
                                                << QStringList{Q("はい(&Y)"), Q("いいえ(&N)")}
                                                << Q("いいえ(&N)") << int(QMessageBox::Question);
        QTest::newRow("yes no cancel, third default")
            << (MB_YESNOCANCEL | MB_ICONERROR | MB_DEFBUTTON3)
            << QStringList{Q("はい(&Y)"), Q("いいえ(&N)"), Q("キャンセル")} << Q("キャンセル")
            << int(QMessageBox::Critical);
        QTest::newRow("retry cancel") << (MB_RETRYCANCEL | MB_ICONINFORMATION)
                                      << QStringList{Q("再試行(&R)"), Q("キャンセル")}
                                      << Q("再試行(&R)") << int(QMessageBox::Information);
        QTest::newRow("default past the end falls back to the first")
            << (MB_OKCANCEL | MB_DEFBUTTON3) << QStringList{Q("OK"), Q("キャンセル")} << Q("OK")
            << int(QMessageBox::NoIcon);
    }
    void buttonSetsIconsAndDefaults() {
        QFETCH(unsigned, flags);
        QFETCH(QStringList, texts);
        QFETCH(QString, defaultText);
        QFETCH(int, icon);
        QMessageBox box;
        CQtMessageBoxHandler::Prepare(box, flags);
        QStringList shown;
        for (QAbstractButton* button : box.buttons()) shown << button->text();
        shown.sort();
        texts.sort();
        QCOMPARE(shown, texts);
        QCOMPARE(box.defaultButton()->text(), defaultText);
        QCOMPARE(int(box.icon()), icon);
    }

    void theAnswerIsTheButtonPressedAndCancelForEscape() {
        CQtMessageBoxHandler handler;
        QString text, title;
        handler.SetOnShow([&](QMessageBox& box) {
            text = box.text();
            title = box.windowTitle();
            QTimer::singleShot(0, &box, [&box] { box.button(QMessageBox::No)->click(); });
        });
        // "保存しますか?" in Shift_JIS reaches the box as readable text.
        QCOMPARE(handler.ShowMessageBox("\x95\xdb\x91\xb6\x82\xb5\x82\xdc\x82\xb7\x82\xa9?",
                                        "Corvane", MB_YESNOCANCEL),
                 IDNO);
        QCOMPARE(text, Q("保存しますか?"));
        QCOMPARE(title, Q("Corvane"));

        handler.SetOnShow([](QMessageBox& box) {
            QTimer::singleShot(0, &box, [&box] { QTest::keyClick(&box, Qt::Key_Escape); });
        });
        QCOMPARE(handler.ShowMessageBox("x", "Corvane", MB_YESNOCANCEL), IDCANCEL);
        QCOMPARE(handler.ShowMessageBox("x", "Corvane", MB_OK), IDOK);
    }

    void messagesFromAnotherThreadArriveThroughTheEventLoop() {
        ui::CQtMessagePump pump;
        std::vector<int> received;
        CMessageWindow window([&](MessageId, WParam wParam, LParam) -> LResult {
            received.push_back(static_cast<int>(wParam));
            return 7;
        });
        const MessageId id = RegisterMessage("BridgesTest::WM_TEST");
        std::atomic<int> sendResult{-1};
        std::thread worker([&] {
            for (int i = 0; i < 3; ++i) PostMessage(window.GetHandle(), id, i, 0);
            LResult result = 0;
            // Blocks until the event loop has run the handler.
            if (SendMessageTimeout(window.GetHandle(), id, 3, 0, 5000, &result)) {
                sendResult = static_cast<int>(result);
            } else {
                sendResult = 0;
            }
        });
        // No explicit pump: only Qt's event loop runs.
        const bool done = test::WaitUntil([&] { return sendResult.load() != -1; }, 10000);
        worker.join();
        QVERIFY(done);
        QCOMPARE(sendResult.load(), 7);
        QCOMPARE(received, (std::vector<int>{0, 1, 2, 3}));
    }
};

QTEST_MAIN(BridgesTest)
#include "bridges_test.moc"
