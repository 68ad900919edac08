// The project form: what filling and typing do to the document's modified flag, the commit
// rules of the two tabs, the folder's separator, the disabled boxes, the password and the
// folder chooser.
#include <QtTest>

#include "gui/gui_support.h"
#include "platform/text_codec.h"
#include "project/corvane_doc.h"
#include "support/recording_message_box.h"
#include "ui/corvane_view.h"
#include "ui/detail_dlg.h"
#include "ui/misc_dlg.h"
#include "ui/ui_text.h"

using namespace corvane;
using corvane::test::Q;
using corvane::ui::CCorvaneView;

namespace {

// A document with the sample project's values and a shown form on it.
struct Form {
    test::ScratchDir dir;
    CCorvaneDoc doc;
    CCorvaneView view{doc};
    explicit Form(bool load = true) {
        if (load) {
            if (!doc.LoadFromFile(FromNativePath(test::SourceDir() / "sample" / "sample.xml"))) {
                qFatal("sample project not loaded");
            }
        }
        view.OnInitialUpdate();
        view.show();
    }
    ui::CMiscDlg& misc() { return *view.GetMiscPage(); }
    ui::CDetailDlg& detail() { return *view.GetDetailPage(); }
    void selectTab(int index) { view.GetTabCtrl()->setCurrentIndex(index); }
    std::string path(const char* name) { return FromNativePath(dir / name); }
};

}  // namespace

class FormTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setFont(ui::UiFont()); }

    void showsTheProjectOnTheGeneralTabInOrder() {
        Form form;
        QCOMPARE(form.view.GetTabCtrl()->count(), 2);
        QCOMPARE(form.view.GetTabCtrl()->tabText(0), Q("全般"));
        QCOMPARE(form.view.GetTabCtrl()->tabText(1), Q("詳細"));
        QCOMPARE(form.view.GetTabCtrl()->currentIndex(), 0);
        QCOMPARE(form.misc().m_pBaseName->text(), Q("Corvane"));
        QCOMPARE(form.misc().m_pLevel->text(), Q("99"));
        QCOMPARE(form.misc().m_pPassword->echoMode(), QLineEdit::Password);
        QVERIFY(!form.misc().m_pUser->isEnabled());
        form.selectTab(1);
        QCOMPARE(form.detail().m_pTitle->text(), Q("Corvane ヘルプ"));
        QCOMPARE(form.detail().m_pTocPat->text(), Q("目次</h2>"));
        QVERIFY(!form.detail().m_pWikiNameSearch->isEnabled());
    }

    void switchingTabsWithoutTypingLeavesTheDocumentUnmodified() {
        Form form;
        form.selectTab(1);
        form.selectTab(0);
        form.selectTab(1);
        QVERIFY(!form.doc.IsModified());
        QVERIFY(!QString::fromStdString(form.doc.GetDocTitle()).endsWith(Q(" *")));
        // A new project rebuilds the pages without marking anything either.
        form.doc.ResetToDefaults();
        form.view.OnInitialUpdate();
        QVERIFY(!form.doc.IsModified());
        QCOMPARE(form.view.GetTabCtrl()->currentIndex(), 0);
    }

    void typingOneCharacterMarksTheDocumentAtOnce_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("tab");
        for (const char* name : {"folder", "baseName", "url", "user", "password", "level"}) {
            QTest::newRow(name) << QString::fromLatin1(name) << 0;
        }
        for (const char* name :
             {"title", "tocPat", "footer", "wikiNameSearch", "wikiNameReplace"}) {
            QTest::newRow(name) << QString::fromLatin1(name) << 1;
        }
    }
    void typingOneCharacterMarksTheDocumentAtOnce() {
        QFETCH(QString, edit);
        QFETCH(int, tab);
        Form form;
        form.selectTab(tab);
        auto* box = form.view.findChild<QLineEdit*>(edit);
        QVERIFY(box);
        box->setEnabled(true);
        QTest::keyClick(box, Qt::Key_1);
        QVERIFY(form.doc.IsModified());
        QVERIFY(QString::fromStdString(form.doc.GetDocTitle()).endsWith(Q(" *")));
    }

    void checkBoxesMarkTheDocumentAndSwitchTheirBoxes() {
        Form form;
        QTest::mouseClick(form.misc().m_pUseAuth, Qt::LeftButton, {},
                          QPoint(5, form.misc().m_pUseAuth->height() / 2));
        QVERIFY(form.misc().m_pUseAuth->isChecked());
        QVERIFY(form.misc().m_pUser->isEnabled());
        QVERIFY(form.misc().m_pPassword->isEnabled());
        QVERIFY(form.doc.IsModified());
        form.doc.SetModifiedFlag(false);
        form.selectTab(1);
        QTest::mouseClick(form.detail().m_pConvWikiName, Qt::LeftButton, {},
                          QPoint(5, form.detail().m_pConvWikiName->height() / 2));
        QVERIFY(form.detail().m_pWikiNameSearch->isEnabled());
        QVERIFY(form.detail().m_pWikiNameReplace->isEnabled());
        QVERIFY(form.doc.IsModified());
        // The certificate opt-out: off for the sample, marks the document, reaches it on commit.
        form.doc.SetModifiedFlag(false);
        QVERIFY(!form.detail().m_pInsecureTls->isChecked());
        QTest::mouseClick(form.detail().m_pInsecureTls, Qt::LeftButton, {},
                          QPoint(5, form.detail().m_pInsecureTls->height() / 2));
        QVERIFY(form.doc.IsModified());
        QCOMPARE(form.doc.GetInsecureTls(), 0);
        QVERIFY(form.detail().SaveToDocument());
        QCOMPARE(form.doc.GetInsecureTls(), 1);
    }

    void theFolderGetsItsSeparatorWhenCommitted() {
        Form form;
        form.misc().m_pFolder->setText(Q("/tmp/ヘルプ"));
        form.selectTab(1);
        QCOMPARE(ui::FromSjis(form.doc.GetFolder()), Q("/tmp/ヘルプ/"));
        form.selectTab(0);
        form.misc().m_pFolder->setText(Q("/tmp/out/"));
        QVERIFY(form.view.CommitSelectedPage());
        QCOMPARE(form.doc.GetFolder(), std::string("/tmp/out/"));
        // Empty stays empty: the build refuses it instead of writing into the root.
        form.misc().m_pFolder->clear();
        QVERIFY(form.view.CommitSelectedPage());
        QCOMPARE(form.doc.GetFolder(), std::string());
    }

    void disabledBoxesKeepTheirTextAndItIsStored() {
        Form form;
        form.misc().m_pUseAuth->setChecked(true);
        form.misc().m_pUser->setText(Q("山田"));
        form.misc().m_pPassword->setText(Q("pa ss"));
        QTest::mouseClick(form.misc().m_pUseAuth, Qt::LeftButton, {},
                          QPoint(5, form.misc().m_pUseAuth->height() / 2));
        QVERIFY(!form.misc().m_pUseAuth->isChecked());
        QVERIFY(!form.misc().m_pUser->isEnabled());
        QCOMPARE(form.misc().m_pUser->text(), Q("山田"));
        QVERIFY(form.view.CommitSelectedPage());
        QCOMPARE(form.doc.GetUseAuth(), 0);
        QCOMPARE(ui::FromSjis(form.doc.GetUser()), Q("山田"));
        QCOMPARE(CCorvaneDoc::UnscramblePassword(form.doc.GetPassword()), std::string("pa ss"));
    }

    void thePasswordIsStoredScrambledAndShownAgainOnReopening() {
        Form form;
        form.misc().m_pPassword->setText(Q("s3cret!パス"));
        QVERIFY(form.doc.SaveToFile(form.path("p.xml")));
        const std::string stored = form.doc.GetPassword();
        QVERIFY(!stored.empty());
        QVERIFY(stored.find("s3cret") == std::string::npos);
        const std::string file = test::ReadFileBytes(form.dir / "p.xml");
        QVERIFY(file.find("s3cret") == std::string::npos);

        CCorvaneDoc reopened;
        QVERIFY(reopened.LoadFromFile(form.path("p.xml")));
        CCorvaneView view(reopened);
        view.OnInitialUpdate();
        view.show();
        QCOMPARE(view.GetMiscPage()->m_pPassword->text(), Q("s3cret!パス"));
        QVERIFY(!reopened.IsModified());
    }

    void leavingGeneralCommitsItAndSavingOnDetailCommitsOnlyDetail() {
        Form form;
        form.misc().m_pBaseName->setText(Q("First"));
        form.selectTab(1);
        QCOMPARE(form.doc.GetBaseName(), std::string("First"));
        // An edit that reaches the hidden page is not the user's and is not committed.
        form.misc().m_pBaseName->setText(Q("Hidden"));
        form.detail().m_pTitle->setText(Q("新しい題"));
        QVERIFY(form.doc.SaveToFile(form.path("order.xml")));
        QCOMPARE(form.doc.GetBaseName(), std::string("First"));
        QCOMPARE(ui::FromSjis(form.doc.GetTitle()), Q("新しい題"));
        // Shown again, the page is refilled from the document.
        form.selectTab(0);
        QCOMPARE(form.misc().m_pBaseName->text(), Q("First"));
    }

    void theLevelTakesDigitsAndAPastedWordIsStoredAsZero() {
        Form form;
        form.misc().m_pLevel->clear();
        QTest::keyClicks(form.misc().m_pLevel, Q("1a2-"));
        QCOMPARE(form.misc().m_pLevel->text(), Q("12"));
        form.misc().m_pLevel->setText(Q("abc"));
        QVERIFY(form.view.CommitSelectedPage());
        QCOMPARE(form.doc.GetLevel(), 0);
        form.selectTab(1);
        form.doc.SetLevel(-3);
        form.selectTab(0);
        QCOMPARE(form.misc().m_pLevel->text(), Q("-3"));
    }

    void theFolderChooserStartsAtTheFolderAndSetsItsChoice() {
        Form form;
        QString title, start;
        form.misc().SetFolderChooser([&](QWidget*, const QString& t, const QString& s) {
            title = t;
            start = s;
            return Q("/srv/出力");
        });
        form.misc().m_pFolder->setText(Q("/tmp/now/"));
        form.doc.SetModifiedFlag(false);
        QTest::mouseClick(form.misc().m_pBrowseFolder, Qt::LeftButton);
        QCOMPARE(title, Q("フォルダの選択"));
        QCOMPARE(start, Q("/tmp/now/"));
        QCOMPARE(form.misc().m_pFolder->text(), Q("/srv/出力/"));
        QVERIFY(form.doc.IsModified());

        // Cancelled: nothing changes.
        form.doc.SetModifiedFlag(false);
        form.misc().SetFolderChooser(
            [](QWidget*, const QString&, const QString&) { return QString(); });
        QTest::mouseClick(form.misc().m_pBrowseFolder, Qt::LeftButton);
        QCOMPARE(form.misc().m_pFolder->text(), Q("/srv/出力/"));
        QVERIFY(!form.doc.IsModified());
    }

    void theUrlButtonOpensTheTypedAddressOrSaysWhyNot() {
        test::RecordingMessageBox boxes;
        Form form;
        QString opened;
        bool browser = true;
        form.misc().SetUrlOpener([&](const QString& url) {
            opened = url;
            return browser;
        });
        form.misc().m_pURL->setText(Q("http://127.0.0.1:1/?FrontPage"));
        QTest::mouseClick(form.misc().m_pOpenURL, Qt::LeftButton);
        QCOMPARE(opened, Q("http://127.0.0.1:1/?FrontPage"));
        QVERIFY(boxes.boxes().empty());
        // No browser: the message names the address.
        browser = false;
        QTest::mouseClick(form.misc().m_pOpenURL, Qt::LeftButton);
        QCOMPARE(boxes.boxes().size(), size_t(1));
        QVERIFY(ui::FromSjis(boxes.boxes()[0].text).contains(Q("開けませんでした")));
        QVERIFY(ui::FromSjis(boxes.boxes()[0].text).contains(Q("[http://127.0.0.1:1/?FrontPage]")));
        // Nothing typed: asked for, the opener not called.
        opened.clear();
        form.misc().m_pURL->clear();
        QTest::mouseClick(form.misc().m_pOpenURL, Qt::LeftButton);
        QVERIFY(opened.isEmpty());
        QCOMPARE(boxes.boxes().size(), size_t(2));
        QVERIFY(ui::FromSjis(boxes.boxes()[1].text).contains(Q("URLを入力してください")));
    }
};

QTEST_MAIN(FormTest)
#include "form_test.moc"
