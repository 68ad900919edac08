#include "project/corvane_doc.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "platform/text_codec.h"
#include "support/recording_message_box.h"
#include "support/test_paths.h"
#include "text/cp932_encoder.h"

namespace corvane {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

const char kDecl[] = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";

// Japanese text with characters only code page 932 has (① and ～), and characters whose
// second byte is a backslash (ソ, 表).
const std::string kJapanese =
    "\x87\x40\x81\x60 \x83\x5C\x83\x74\x83\x67 \x95\x5C";  // ①～ ソフト 表

std::string Sjis(const std::filesystem::path& p) { return FromNativePath(p); }

void FillSample(CCorvaneDoc& doc) {
    doc.SetFolder("/tmp/out/");
    doc.SetBaseName("manual");
    doc.SetURL("http://wiki.example/index.php?FrontPage");
    doc.SetUseAuth(1);
    doc.SetUser("alice");
    doc.SetPassword(CCorvaneDoc::ScramblePassword("s3cret"));
    doc.SetLevel(-3);
    doc.SetTitle(kJapanese);
    doc.SetTocPat("<h2 id=\"content_1_0\">.*?</h2>");
    doc.SetFooter("Copyright & <b>" + kJapanese + "</b>\r\nline 2\ttab");
    doc.SetConvWikiName(1);
    doc.SetWikiNameSearch("([A-Z][a-z]+){2,}");
    doc.SetWikiNameReplace("\\1 ");
}

// Every setting, for comparing whole documents.
std::vector<std::string> Settings(const CCorvaneDoc& doc) {
    return {doc.GetFolder(),
            doc.GetBaseName(),
            doc.GetURL(),
            std::to_string(doc.GetUseAuth()),
            doc.GetUser(),
            doc.GetPassword(),
            std::to_string(doc.GetLevel()),
            doc.GetTitle(),
            doc.GetTocPat(),
            doc.GetFooter(),
            std::to_string(doc.GetConvWikiName()),
            doc.GetWikiNameSearch(),
            doc.GetWikiNameReplace()};
}

std::string ProjectXml(const std::string& elements) {
    return std::string(kDecl) + "<root>" + elements + "</root>\r\n";
}

const std::string kThirteen =
    "<Folder>F</Folder><BaseName>B</BaseName><URL>U</URL><UseAuth>1</UseAuth><User>u</User>"
    "<Password>p</Password><Level>5</Level><Title>T</Title><TocPat>P</TocPat><Footer>f</Footer>"
    "<ConvWikiName>1</ConvWikiName><WikiNameSearch>s</WikiNameSearch>"
    "<WikiNameReplace>r</WikiNameReplace>";

// The thirteen elements with another content of Title.
std::string WithTitle(const std::string& content) {
    std::string xml = kThirteen;
    return xml.replace(xml.find("<Title>T") + 7, 1, content);
}

class CorvaneDocTest : public ::testing::Test {
protected:
    test::ScratchDir m_dir;
    test::RecordingMessageBox m_boxes;
    CCorvaneDoc m_doc;
};

TEST_F(CorvaneDocTest, NewProjectSavesThirteenElementsAndLoadsBack) {
    const std::string path = Sjis(m_dir / "new.xml");
    m_doc.SetModifiedFlag(true);
    ASSERT_TRUE(m_doc.SaveToFile(path));
    EXPECT_EQ(ReadFileBytes(m_dir / "new.xml"),
              ProjectXml("<Folder></Folder><BaseName></BaseName><URL></URL><UseAuth>0</UseAuth>"
                         "<User></User><Password></Password><Level>99</Level><Title></Title>"
                         "<TocPat></TocPat><Footer></Footer><ConvWikiName>0</ConvWikiName>"
                         "<WikiNameSearch></WikiNameSearch><WikiNameReplace></WikiNameReplace>"));
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetPathName(), path);
    EXPECT_EQ(m_doc.GetDocTitle(), "new.xml");

    CCorvaneDoc loaded;
    FillSample(loaded);
    loaded.SetModifiedFlag(true);
    ASSERT_TRUE(loaded.LoadFromFile(path));
    EXPECT_EQ(Settings(loaded), Settings(CCorvaneDoc()));
    EXPECT_FALSE(loaded.IsModified());
    EXPECT_EQ(loaded.GetDocTitle(), "new.xml");
    EXPECT_TRUE(m_boxes.boxes().empty());
}

TEST_F(CorvaneDocTest, EverySettingRoundTripsByteForByte) {
    FillSample(m_doc);
    const auto file = m_dir / "all.xml";
    ASSERT_TRUE(m_doc.SaveToFile(Sjis(file)));
    const std::string bytes = ReadFileBytes(file);
    // Written as code page 932 bytes, not as character references; markup escaped.
    EXPECT_THAT(bytes, ::testing::HasSubstr("<Title>" + kJapanese + "</Title>"));
    EXPECT_THAT(bytes, ::testing::HasSubstr("Copyright &amp; &lt;b&gt;"));
    EXPECT_THAT(bytes, ::testing::HasSubstr("<Level>-3</Level>"));

    CCorvaneDoc loaded;
    ASSERT_TRUE(loaded.LoadFromFile(Sjis(file)));
    EXPECT_EQ(Settings(loaded), Settings(m_doc));
    EXPECT_EQ(CCorvaneDoc::UnscramblePassword(loaded.GetPassword()), "s3cret");
}

// The certificate opt-out follows the thirteen settings only when set, so other projects'
// files stay as they were; loading a project without it clears it.
TEST_F(CorvaneDocTest, CertificateOptOutIsKeptOnlyWhereSet) {
    const auto file = m_dir / "tls.xml";
    m_doc.SetInsecureTls(1);
    ASSERT_TRUE(m_doc.SaveToFile(Sjis(file)));
    EXPECT_THAT(ReadFileBytes(file),
                ::testing::HasSubstr("</WikiNameReplace><InsecureTls>1</InsecureTls></root>"));
    CCorvaneDoc loaded;
    ASSERT_TRUE(loaded.LoadFromFile(Sjis(file)));
    EXPECT_EQ(loaded.GetInsecureTls(), 1);

    m_doc.SetInsecureTls(0);
    ASSERT_TRUE(m_doc.SaveToFile(Sjis(file)));
    EXPECT_THAT(ReadFileBytes(file), ::testing::Not(::testing::HasSubstr("InsecureTls")));
    ASSERT_TRUE(loaded.LoadFromFile(Sjis(file)));
    EXPECT_EQ(loaded.GetInsecureTls(), 0);
}

TEST_F(CorvaneDocTest, EveryByteValueOfCodePage932SurvivesSaveAndLoad) {
    // Every printable single byte, Windows' single-byte extras 0x80, 0xA0 and 0xFD to 0xFF
    // among them, and every double-byte code that Windows writes back as it is (user-
    // defined characters included), each in a setting of its own kind.
    std::string singles = "\t";
    for (unsigned b = 0x20; b <= 0xFF; ++b) {
        if (b == 0x7F || (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) continue;
        singles += static_cast<char>(b);
    }
    std::string doubles;
    for (unsigned lead : {0x81u, 0x82u, 0x88u, 0x98u, 0x9Fu, 0xE0u, 0xEAu, 0xF0u, 0xF9u, 0xFAu}) {
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            std::string code{static_cast<char>(lead), static_cast<char>(trail)};
            // Codes that the code page leaves empty have no character to keep; duplicates
            // (NEC-selected IBM extensions) come back as the code Windows prefers.
            const auto utf8 = ConvertCodePageStrict(code, "CP932", "UTF-8");
            if (!utf8 || Utf8ToCp932(*utf8) != code) continue;
            doubles += code;
        }
    }
    ASSERT_GT(doubles.size(), 1500u);
    m_doc.SetTitle(singles);
    m_doc.SetFooter(doubles);
    m_doc.SetWikiNameSearch("\x80\xA0\xFD\xFE\xFF" + doubles.substr(0, 40) + "\x80");
    const auto file = m_dir / "bytes.xml";
    ASSERT_TRUE(m_doc.SaveToFile(Sjis(file)));
    EXPECT_THAT(ReadFileBytes(file), ::testing::HasSubstr("\x80\xA0\xFD\xFE\xFF"));

    CCorvaneDoc loaded;
    ASSERT_TRUE(loaded.LoadFromFile(Sjis(file)));
    EXPECT_EQ(loaded.GetTitle(), singles);
    EXPECT_EQ(loaded.GetFooter(), doubles);
    EXPECT_EQ(loaded.GetWikiNameSearch(), m_doc.GetWikiNameSearch());
}

TEST_F(CorvaneDocTest, LoadsFilesWrittenByWindowsAndPrettyPrinted) {
    const std::string windows =
        "<?xml version=\"1.0\" "
        "encoding=\"Shift_JIS\"?>\r\n<root>\r\n\t<Folder>C:\\help\\</Folder>\r\n"
        "\t<BaseName>manual</BaseName>\r\n\t<URL>http://w/</URL>\r\n\t<UseAuth>0</UseAuth>\r\n"
        "\t<User/>\r\n\t<Password></Password>\r\n\t<Level>99</Level>\r\n\t<Title>" +
        kJapanese + "</Title>\r\n\t<TocPat>x</TocPat>\r\n\t<Footer>" + kJapanese +
        "</Footer>\r\n"
        "\t<ConvWikiName>0</ConvWikiName>\r\n\t<WikiNameSearch/>\r\n\t<WikiNameReplace/>\r\n</"
        "root>\r\n";
    WriteFileBytes(m_dir / "win.xml", windows);
    ASSERT_TRUE(m_doc.LoadFromFile(Sjis(m_dir / "win.xml")));
    EXPECT_EQ(m_doc.GetFolder(), "C:\\help\\");
    EXPECT_EQ(m_doc.GetTitle(), kJapanese);
    EXPECT_EQ(m_doc.GetFooter(), kJapanese);
    EXPECT_EQ(m_doc.GetUser(), "");
    EXPECT_EQ(m_doc.GetLevel(), 99);

    // Single-quoted declaration, the root named otherwise, a fourteenth element.
    WriteFileBytes(m_dir / "extra.xml", "<?xml version='1.0' encoding='shift_jis'?><project>" +
                                            kThirteen + "<Extra>x</Extra></project>");
    ASSERT_TRUE(m_doc.LoadFromFile(Sjis(m_dir / "extra.xml")));
    EXPECT_EQ(m_doc.GetWikiNameReplace(), "r");
    // A file in UTF-8.
    WriteFileBytes(m_dir / "utf8.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><root>" +
                                           WithTitle(SjisToUtf8(kJapanese)) + "</root>");
    ASSERT_TRUE(m_doc.LoadFromFile(Sjis(m_dir / "utf8.xml")));
    EXPECT_EQ(m_doc.GetTitle(), kJapanese);
}

TEST_F(CorvaneDocTest, RejectedFilesChangeNothing) {
    FillSample(m_doc);
    const std::string good = Sjis(m_dir / "good.xml");
    ASSERT_TRUE(m_doc.SaveToFile(good));
    m_doc.SetModifiedFlag(true);
    const auto before = Settings(m_doc);

    std::string swapped = kThirteen;
    swapped.erase(swapped.find("<URL>U</URL>"), 12);
    swapped.insert(swapped.find("<BaseName>"), "<URL>U</URL>");
    std::string missing = kThirteen;
    missing.erase(missing.find("<WikiNameReplace>"));
    std::string renamed = kThirteen;
    renamed.replace(renamed.find("<Level>"), 7, "<level>");
    renamed.replace(renamed.find("</Level>"), 8, "</level>");

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"order", ProjectXml(swapped)},
        {"missing", ProjectXml(missing)},
        {"leading", ProjectXml("<Extra/>" + kThirteen)},
        {"leadingtext", ProjectXml("text" + kThirteen)},
        {"comment", ProjectXml("<!-- c -->" + kThirteen)},
        {"case", ProjectXml(renamed)},
        {"broken", ProjectXml(kThirteen).substr(0, 200)},
        {"empty", ""},
        {"badsjis", ProjectXml(WithTitle("\x81"))},
    };
    for (const auto& [name, xml] : cases) {
        WriteFileBytes(m_dir / (name + ".xml"), xml);
        EXPECT_FALSE(m_doc.LoadFromFile(Sjis(m_dir / (name + ".xml")))) << name;
        EXPECT_EQ(Settings(m_doc), before) << name;
        EXPECT_EQ(m_doc.GetPathName(), good) << name;
        EXPECT_TRUE(m_doc.IsModified()) << name;
    }
    EXPECT_TRUE(m_boxes.boxes().empty());
}

TEST_F(CorvaneDocTest, IntegersConvertLikeTheCLibrary) {
    const std::vector<std::pair<std::string, int>> cases = {{"abc", 0},
                                                            {"12x", 12},
                                                            {" \t-7", -7},
                                                            {"+4", 4},
                                                            {"", 0},
                                                            {"99999999999", 2147483647},
                                                            {"-99999999999", -2147483647 - 1}};
    for (const auto& [text, expected] : cases) {
        std::string xml = kThirteen;
        xml.replace(xml.find("<Level>5"), 8, "<Level>" + text);
        WriteFileBytes(m_dir / "level.xml", ProjectXml(xml));
        ASSERT_TRUE(m_doc.LoadFromFile(Sjis(m_dir / "level.xml"))) << text;
        EXPECT_EQ(m_doc.GetLevel(), expected) << text;
    }
}

TEST_F(CorvaneDocTest, ExternalEntitiesAreNotRead) {
    WriteFileBytes(m_dir / "secret.txt", "TOPSECRET");
    const std::string xml = std::string(kDecl) + "<!DOCTYPE root [<!ENTITY x SYSTEM \"" +
                            (m_dir / "secret.txt").string() + "\">]><root>" + WithTitle("&x;") +
                            "</root>";
    WriteFileBytes(m_dir / "xxe.xml", xml);
    ASSERT_TRUE(m_doc.LoadFromFile(Sjis(m_dir / "xxe.xml")));
    EXPECT_EQ(m_doc.GetTitle(), "");
    EXPECT_EQ(m_doc.GetFolder(), "F");
}

TEST_F(CorvaneDocTest, MissingFileIsReported) {
    const std::string path = Sjis(m_dir / "none.xml");
    EXPECT_FALSE(m_doc.LoadFromFile(path));
    ASSERT_EQ(m_boxes.boxes().size(), 1u);
    EXPECT_THAT(m_boxes.boxes()[0].text,
                ::testing::StartsWith(path + "\n" + Utf8ToSjis("このファイルが見つかりません。")));
    EXPECT_THAT(
        m_boxes.boxes()[0].text,
        ::testing::EndsWith(Utf8ToSjis("パスとファイル名が正しいかどうか確認してください。")));

    EXPECT_FALSE(m_doc.LoadFromFile(Sjis(m_dir.path())));  // a folder
    ASSERT_EQ(m_boxes.boxes().size(), 2u);
    EXPECT_THAT(m_boxes.boxes()[1].text,
                ::testing::StartsWith(Utf8ToSjis("ドキュメントを開くことに失敗しました。")));
}

TEST_F(CorvaneDocTest, FailedSaveKeepsOldFileAndModifiedFlag) {
    // A name so long that the temporary file beside it cannot be made.
    const auto longFile = m_dir / (std::string(250, 'n') + ".xml");
    WriteFileBytes(longFile, "old contents");
    FillSample(m_doc);
    m_doc.SetModifiedFlag(true);
    EXPECT_FALSE(m_doc.SaveToFile(Sjis(longFile)));
    EXPECT_EQ(ReadFileBytes(longFile), "old contents");
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetDocTitle(), "Corvane *");
    ASSERT_EQ(m_boxes.boxes().size(), 1u);
    EXPECT_THAT(m_boxes.boxes()[0].text, ::testing::HasSubstr("File name too long"));

    // A write that fails half-way: the file-size limit stops it after a few bytes.
    const auto file = m_dir / "old.xml";
    WriteFileBytes(file, "old contents");
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = m_doc.SaveToFile(Sjis(file));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(ReadFileBytes(file), "old contents");
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(m_boxes.boxes().size(), 2u);
    // No temporary file is left behind.
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(m_dir.path()))
        ++count;
    EXPECT_EQ(count, 2u);
}

TEST_F(CorvaneDocTest, SaveReplacesFileAndKeepsItsPermissions) {
    const auto file = m_dir / "p.xml";
    WriteFileBytes(file, "old");
    std::filesystem::permissions(file, std::filesystem::perms(0640));
    ASSERT_TRUE(m_doc.SaveToFile(Sjis(file)));
    EXPECT_THAT(ReadFileBytes(file), ::testing::StartsWith(kDecl));
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0640));
}

class FakeView : public CDocViewCallback {
public:
    bool visible = true;
    bool accept = true;
    int commits = 0;
    int titleChanges = 0;
    std::string folder;
    CCorvaneDoc* doc = nullptr;
    bool IsViewVisible() const override { return visible; }
    bool CommitViews() override {
        ++commits;
        if (accept && doc) doc->SetFolder(folder);
        return accept;
    }
    void OnDocTitleChanged() override { ++titleChanges; }
};

TEST_F(CorvaneDocTest, SaveCommitsVisibleViewsAndStopsWhenOneRefuses) {
    FakeView shown, hidden, refusing;
    shown.doc = &m_doc;
    shown.folder = "/committed/";
    hidden.visible = false;
    m_doc.AddView(&shown);
    m_doc.AddView(&hidden);
    const auto file = m_dir / "v.xml";
    ASSERT_TRUE(m_doc.SaveToFile(Sjis(file)));
    EXPECT_EQ(shown.commits, 1);
    EXPECT_EQ(hidden.commits, 0);
    EXPECT_THAT(ReadFileBytes(file), ::testing::HasSubstr("<Folder>/committed/</Folder>"));
    EXPECT_GT(shown.titleChanges, 0);

    refusing.accept = false;
    m_doc.AddView(&refusing);
    m_doc.SetModifiedFlag(true);
    EXPECT_FALSE(m_doc.SaveToFile(Sjis(m_dir / "refused.xml")));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "refused.xml"));
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_TRUE(m_boxes.boxes().empty());
    m_doc.RemoveView(&refusing);
    m_doc.RemoveView(&shown);
    m_doc.RemoveView(&hidden);
}

TEST_F(CorvaneDocTest, TitleMarkerAndSaveAsName) {
    EXPECT_EQ(m_doc.GetDocTitle(), "Corvane");
    m_doc.SetModifiedFlag(true);
    m_doc.SetModifiedFlag(true);
    EXPECT_EQ(m_doc.GetDocTitle(), "Corvane *");
    EXPECT_EQ(m_doc.GetDefaultSaveAsName(), "Corvane.xml");
    m_doc.SetModifiedFlag(false);
    EXPECT_EQ(m_doc.GetDocTitle(), "Corvane");

    // ソ ends with a backslash byte, which is not a separator.
    m_doc.SetDocTitle("\x83\x5C\x83\x74\x83\x67:draft");
    EXPECT_EQ(m_doc.GetDefaultSaveAsName(), "\x83\x5C\x83\x74\x83\x67.xml");
    m_doc.SetDocTitle("a\\b");
    EXPECT_EQ(m_doc.GetDefaultSaveAsName(), "a.xml");
    m_doc.SetModifiedFlag(true);
    m_doc.SetDocTitle("renamed");
    EXPECT_EQ(m_doc.GetDocTitle(), "renamed *");
    EXPECT_EQ(m_doc.GetDefaultSaveAsName(), "renamed.xml");
    m_doc.SetModifiedFlag(false);
    EXPECT_EQ(m_doc.GetDocTitle(), "renamed");

    FillSample(m_doc);
    m_doc.ResetToDefaults();
    EXPECT_EQ(Settings(m_doc), Settings(CCorvaneDoc()));
    EXPECT_EQ(m_doc.GetDocTitle(), "Corvane");
    EXPECT_EQ(m_doc.GetPathName(), "");
}

}  // namespace
}  // namespace corvane
