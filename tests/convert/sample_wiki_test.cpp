// The default rules of conf/ on the pages of the sample wiki.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include "convert/cvn_filter.h"
#include "convert/rule_file.h"
#include "convert/wiki_url.h"
#include "platform/text_codec.h"
#include "project/options.h"
#include "support/test_paths.h"
#include "text/reg_manager.h"

namespace corvane {
namespace {

using test::ReadFileBytes;
using test::SourceDir;

const std::string kSite = "http://127.0.0.1:8080/";

struct SamplePage {
    std::string url;
    std::string file;
};

// The pages of the sample wiki with the URL each is served under (from its map.tsv).
std::vector<SamplePage> SamplePages() {
    std::vector<SamplePage> pages;
    std::set<std::string> seen;
    std::ifstream map(SourceDir() / "sample/wiki/map.tsv");
    std::string line;
    while (std::getline(map, line)) {
        std::istringstream fields(line);
        std::string request;
        std::string file;
        std::string type;
        if (line.empty() || line[0] == '#' || !std::getline(fields, request, '\t') ||
            !std::getline(fields, file, '\t') || !std::getline(fields, type)) {
            continue;
        }
        // The wiki's pages; its plug-in pages are never fetched.
        if (request[0] == '?' && type.rfind("text/html", 0) == 0 &&
            request.find("plugin=") == std::string::npos && seen.insert(file).second) {
            pages.push_back({kSite + request, file});
        }
    }
    return pages;
}

std::unique_ptr<CCVNFilter> DefaultFilter(const std::string& search = "",
                                          const std::string& replace = "") {
    return std::make_unique<CCVNFilter>(search, replace, Utf8ToSjis("Corvane マニュアル"),
                                        "Corvane", (SourceDir() / "conf/body.txt").string(),
                                        (SourceDir() / "conf/replace.txt").string());
}

struct Converted {
    int result = -1;
    std::string text;
    std::vector<CLinkRecord> links;
};

Converted ConvertSample(CCVNFilter& filter, const SamplePage& page, int depth = 1) {
    Converted c;
    if (filter.BeginPage(CUrlParts(page.url), "", 0, depth) != 1) {
        return c;
    }
    c.result =
        filter.ConvertPage(LinkKind::None, "Content-Type: text/html; charset=UTF-8\r\n",
                           ReadFileBytes(SourceDir() / "sample/wiki" / page.file), c.text, c.links);
    return c;
}

std::vector<std::string> AttributeValues(const std::string& text, const std::string& attr) {
    CRegManager reg;
    std::vector<std::string> values;
    const int n = reg.Search(text, "\\s" + attr + "=\"([^\"]*)\"", "ig");
    for (int i = 0; i < n; ++i) {
        reg.SetCurrentMatch(i);
        values.push_back(reg.GetGroup(1));
    }
    return values;
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t pos = 0; (pos = text.find(what, pos)) != std::string::npos;
         pos += what.size()) {
        ++n;
    }
    return n;
}

TEST(SampleWiki, EveryPageBecomesACleanHelpPage) {
    const std::vector<SamplePage> pages = SamplePages();
    ASSERT_GE(pages.size(), 15u);
    auto filter = DefaultFilter();
    for (const SamplePage& page : pages) {
        SCOPED_TRACE(page.url);
        const std::string source = ReadFileBytes(SourceDir() / "sample/wiki" / page.file);
        const Converted c = ConvertSample(*filter, page);
        ASSERT_EQ(c.result, 1) << filter->GetConversionError();
        const std::string& out = c.text;
        // Nothing of the wiki's frame is left.
        for (const char* gone :
             {"<div id=\"navigator\"", "<div id=\"header\"", "<div id=\"menubar\"",
              "<div id=\"toolbar\"", "<div id=\"attach\"", "<div id=\"footer\"",
              "<div id=\"lastmodified\"", "<div id=\"contents\"", "<div id=\"body\"",
              "<div class=\"jumpmenu\"", "<a class=\"anchor_super\"",
              "?cmd=", "&amp;cmd=", "&dagger;</a>", "&uarr;</a>", "<script", "PukiWiki 1.5.4",
              "noexists\"><a", "href=\"./"}) {
            EXPECT_EQ(out.find(gone), std::string::npos) << gone << "\n" << out;
        }
        // The content's own markup is kept.
        EXPECT_EQ(Count(out, "note_super"), Count(source, "note_super"));
        EXPECT_EQ(Count(out, "<table"), Count(source, "<table"));
        EXPECT_EQ(Count(out, "<div"), Count(out, "</div>")) << out;
        EXPECT_EQ(Count(out, "<address>"), 1);
        EXPECT_TRUE(out.ends_with("</address>\n</body>\n</html>\n"));
        // Page links lose their titles (footnote markers and images keep theirs).
        CRegManager reg;
        EXPECT_EQ(reg.Search(out, "<a href=\"[^\"]*\"[^>]*title=", "i"), 0);

        // Every same-site reference names a local file that the filter also reports.
        std::set<std::string> references;
        for (const CLinkRecord& link : c.links) {
            references.insert(link.m_strReference);
            EXPECT_EQ(link.m_strLocalName.find_first_of("/\\:#"), std::string::npos);
            EXPECT_EQ(link.m_strUrl.rfind(kSite, 0), 0u) << link.m_strUrl;
            EXPECT_EQ(link.m_bFollow, true);
        }
        std::vector<std::string> values = AttributeValues(out, "href");
        const std::vector<std::string> images = AttributeValues(out, "src");
        values.insert(values.end(), images.begin(), images.end());
        ASSERT_FALSE(values.empty());
        for (const std::string& value : values) {
            if (value.rfind("https://", 0) == 0 || value.rfind("mailto:", 0) == 0) {
                continue;
            }
            if (value.rfind(kSite, 0) == 0) {
                // Left out by the exclusion rules: the attachment's information page.
                EXPECT_NE(value.find("?plugin=attach&amp;pcmd=info&amp;"), std::string::npos);
                continue;
            }
            EXPECT_EQ(value.find_first_of("/?:%"), std::string::npos) << value;
            EXPECT_EQ(references.count(value), 1u) << value;
        }
        EXPECT_EQ(c.links.front().m_kind, LinkKind::StyleSheet);
        EXPECT_EQ(c.links.front().m_strLocalName, "pukiwiki.css");
    }
}

TEST(SampleWiki, StartPageKeepsItsContentsListAndAttachments) {
    auto filter = DefaultFilter();
    const Converted c = ConvertSample(*filter, {kSite + "?FrontPage", "pages/FrontPage.html"}, 0);
    ASSERT_EQ(c.result, 1);
    const std::string& out = c.text;
    // The project title as heading, the page's first heading right before its list.
    EXPECT_NE(
        out.find(Utf8ToSjis(
            "<h2>Corvane マニュアル</h2>\n<h2><a name=\"content_1_0\" "
            "id=\"content_1_0\"></a>目次</h2>\n"
            "<ul class=\"list1 list-indent1\"><li><a href=\"E381AFE38198E38281E381AB.html\"")),
        std::string::npos)
        << out;
    EXPECT_NE(out.find("<li><a href=\"ProjectForm2FGeneralTab.html\" "), std::string::npos);
    // The attachment and the file icon; the page not yet written is plain text.
    EXPECT_NE(out.find("<a href=\"FrontPage_manual.pdf\" ><img src=\"file.png\""),
              std::string::npos);
    EXPECT_NE(out.find("<span class=\"noexists\">Tutorial</span>"), std::string::npos);
    // Footnotes stay with their texts.
    EXPECT_NE(
        out.find("<a name=\"notetext_1\" id=\"notetext_1\" href=\"FrontPage.html#notefoot_1\" "
                 "class=\"note_super\""),
        std::string::npos);
    EXPECT_NE(
        out.find("<a name=\"notefoot_1\" id=\"notefoot_1\" href=\"FrontPage.html#notetext_1\""),
        std::string::npos);

    std::map<std::string, LinkKind> kinds;
    for (const CLinkRecord& link : c.links) {
        kinds[link.m_strLocalName] = link.m_kind;
    }
    EXPECT_EQ(kinds["FrontPage_manual.pdf"], LinkKind::Anchor);
    EXPECT_EQ(kinds["file.png"], LinkKind::Image);
    EXPECT_EQ(kinds["CommandLine2FInit.html"], LinkKind::Anchor);
    EXPECT_EQ(kinds.count("Tutorial.html"), 0u);
}

// Every "#id" link of the converted sample, within a page or into another page, finds its
// target, an element with a name= and an id= of its value (some viewers jump to name= only):
// headings give their ids to an empty anchor, fixed anchors stay as empty anchors.
TEST(SampleWiki, EveryFragmentLinkHasItsTarget) {
    auto filter = DefaultFilter();
    const std::string start = kSite + "?FrontPage";
    std::map<std::string, std::string> converted;  // local file name -> help page
    for (const SamplePage& page : SamplePages()) {
        SCOPED_TRACE(page.url);
        const Converted c = ConvertSample(*filter, page, page.url == start ? 0 : 1);
        ASSERT_EQ(c.result, 1);
        converted[LocalFileName(page.url, start)] = c.text;
    }
    int links = 0;
    int intoOtherPages = 0;
    std::set<std::string> fixedAnchors;
    for (const auto& [name, text] : converted) {
        for (const std::string& href : AttributeValues(text, "href")) {
            const std::size_t hash = href.find('#');
            if (hash == std::string::npos || href.find(':') != std::string::npos) continue;
            const std::string file = href.substr(0, hash);
            const std::string id = href.substr(hash + 1);
            ASSERT_EQ(converted.count(file), 1u) << name << ": " << href;
            CRegManager target;
            EXPECT_EQ(target.Search(converted[file], "<[a-z0-9]+(?=[^<>]*\\sname=\"" + id +
                                                         "\")[^<>]*\\sid=\"" + id + "\"[^<>]*>"),
                      1)
                << name << ": " << href << "\n"
                << converted[file];
            ++links;
            intoOtherPages += file != name;
        }
        CRegManager reg;
        const int n = reg.Search(text, "<a name=\"([^\"]+)\" id=\"\\1\"></a></h[2-4]>", "g");
        for (int i = 0; i < n; ++i) {
            reg.SetCurrentMatch(i);
            fixedAnchors.insert(reg.GetGroup(1));
        }
    }
    // The contents list, the footnotes and the links to headings of other pages.
    EXPECT_GE(links, 10);
    EXPECT_GE(intoOtherPages, 3);
    for (const char* id : {"about", "toc", "k3f0a9c2", "rules"}) {
        EXPECT_EQ(fixedAnchors.count(id), 1u) << id;
    }
}

TEST(SampleWiki, NamesTitlesAndEmojiComeOutRight) {
    auto filter = DefaultFilter();
    // 表示: a two-kanji UTF-8 name whose six bytes alone would pass for EUC-JP.
    Converted c = ConvertSample(*filter, {kSite + "?%E8%A1%A8%E7%A4%BA", "pages/Hyouji.html"});
    ASSERT_EQ(c.result, 1);
    EXPECT_NE(c.text.find(Utf8ToSjis("<title>表示</title>")), std::string::npos);
    EXPECT_NE(c.text.find(Utf8ToSjis("<h2>表示</h2>")), std::string::npos);
    // A name and title in half-width katakana, which a second conversion would take for
    // EUC-JP.
    c = ConvertSample(*filter, {kSite + "?%EF%BE%8A%EF%BE%9D%EF%BD%B6%EF%BD%B8%EF%BD%B6%EF%BE%85",
                                "pages/HankakuKana.html"});
    ASSERT_EQ(c.result, 1);
    EXPECT_NE(c.text.find(Utf8ToSjis("<title>ﾊﾝｶｸｶﾅ</title>")), std::string::npos);
    EXPECT_NE(c.text.find(Utf8ToSjis("<h2>ﾊﾝｶｸｶﾅ</h2>")), std::string::npos);
    EXPECT_NE(c.text.find(Utf8ToSjis("(ｶﾀｶﾅ)")), std::string::npos);
    // A UTF-8 page with emoji is converted; what Shift_JIS lacks is a blank.
    c = ConvertSample(*filter, {kSite + "?ChangeLog", "pages/ChangeLog.html"});
    ASSERT_EQ(c.result, 1);
    EXPECT_NE(c.text.find(Utf8ToSjis("<li>2026-12-01: 最初の版  </li>")), std::string::npos);
    EXPECT_NE(c.text.find(Utf8ToSjis(" 野家の「 」")), std::string::npos);
}

TEST(SampleWiki, WikiNameConversionAndImages) {
    auto filter = DefaultFilter("^(.*)$", "[$1]");
    Converted c = ConvertSample(*filter, {kSite + "?ProjectForm", "pages/ProjectForm.html"});
    ASSERT_EQ(c.result, 1);
    EXPECT_NE(c.text.find("<h2>[ProjectForm]</h2>"), std::string::npos);
    // "./GeneralTab" on ProjectForm is the page ProjectForm/GeneralTab.
    EXPECT_NE(c.text.find("href=\"ProjectForm2FGeneralTab.html\"  class=\"link_page_passage\" "
                          "data-mtime=\"2026-12-01T10:00:00+09:00\">[ProjectForm/GeneralTab]</a>"),
              std::string::npos)
        << c.text;
    c = ConvertSample(*filter,
                      {kSite + "?ProjectForm/DetailTab", "pages/ProjectForm_DetailTab.html"});
    ASSERT_EQ(c.result, 1);
    EXPECT_NE(c.text.find(">[ProjectForm/GeneralTab]</a>"), std::string::npos);

    // A picture shown with "ref" and its link to the attachment are one file, named after
    // the page: a sub-page (its '/' sent as %2F) and a Japanese page name.
    struct Picture {
        SamplePage page;
        std::string file;
    };
    for (const Picture& picture :
         {Picture{{kSite + "?ProjectForm/GeneralTab", "pages/ProjectForm_GeneralTab.html"},
                  "ProjectForm2FGeneralTab_main-general.png"},
          Picture{{kSite + "?%E8%A1%A8%E7%A4%BA", "pages/Hyouji.html"},
                  "E8A1A8E7A4BA_main-running.png"}}) {
        SCOPED_TRACE(picture.page.url);
        c = ConvertSample(*filter, picture.page);
        ASSERT_EQ(c.result, 1);
        EXPECT_NE(
            c.text.find("<a href=\"" + picture.file + "\" ><img src=\"" + picture.file + "\""),
            std::string::npos)
            << c.text;
        // Reported to the crawl, which fetches it.
        int reported = 0;
        for (const CLinkRecord& link : c.links) reported += link.m_strLocalName == picture.file;
        EXPECT_GE(reported, 1);
    }
}

TEST(DefaultRules, PukiWiki14Layout) {
    // The read view of PukiWiki 1.4: absolute links with titles, the menu bar in a table
    // cell before the body, "?" edit links after names of missing pages.
    const std::string page =
        "<html><head>\n <title>Help - PukiWiki</title>\n"
        " <link rel=\"stylesheet\" type=\"text/css\" media=\"screen\" "
        "href=\"skin/pukiwiki.css.php?charset=Shift_JIS\" charset=\"Shift_JIS\" />\n"
        " <link rel=\"stylesheet\" type=\"text/css\" media=\"print\" "
        "href=\"skin/pukiwiki.css.php?charset=Shift_JIS&amp;media=print\" />\n</head>\n<body>\n"
        "<div id=\"navigator\">[ <a "
        "href=\"http://h/wiki/index.php?cmd=edit&amp;page=Help\">Edit</a> ]</div>\n"
        "<hr class=\"full_hr\" />\n<table border=\"0\" style=\"width:100%\">\n <tr>\n"
        "  <td class=\"menubar\">\n   <div id=\"menubar\"><a "
        "href=\"http://h/wiki/index.php?FrontPage\">"
        "FrontPage</a></div>\n  </td>\n  <td valign=\"top\">\n"
        "   <div id=\"body\"><h2 id=\"content_1_0\">Help  <a class=\"anchor_super\" id=\"x1\" "
        "href=\"http://h/wiki/index.php?Help#x1\">&dagger;</a></h2>\n"
        "<p><a href=\"http://h/wiki/index.php?FormattingRules\" title=\"FormattingRules (3d)\">"
        "FormattingRules</a> and <span class=\"noexists\">Missing<a "
        "href=\"http://h/wiki/index.php?cmd=edit&amp;page=Missing\">?</a></span></p>\n"
        "<div class=\"jumpmenu\"><a href=\"#navigator\">&uarr;</a></div>\n"
        "<h2 id=\"content_1_1\">More</h2>\n</div>\n  </td>\n </tr>\n</table>\n\n"
        "<hr class=\"full_hr\" />\n<!-- Toolbar -->\n<div id=\"toolbar\"></div>\n</body></html>\n";
    auto filter = DefaultFilter("^(.*)$", "[$1]");
    ASSERT_EQ(filter->BeginPage(CUrlParts("http://h/wiki/index.php?Help"), "", 0, 1), 1);
    std::string out;
    std::vector<CLinkRecord> links;
    ASSERT_EQ(filter->ConvertPage(LinkKind::Anchor, "Content-Type: text/html; charset=EUC-JP\r\n",
                                  page, out, links),
              1);
    const std::size_t body = out.find("<body>");
    ASSERT_NE(body, std::string::npos);
    EXPECT_EQ(out.substr(body),
              "<body>\n<h2>[Help]</h2>\n<h2><a name=\"content_1_0\" id=\"content_1_0\"></a>Help"
              "<a name=\"x1\" id=\"x1\"></a></h2>\n"
              "<p><a href=\"FormattingRules.html\" >[FormattingRules]</a> and "
              "<span class=\"noexists\">Missing</span></p>\n\n"
              "<h2><a name=\"content_1_1\" id=\"content_1_1\"></a>More</h2>\n"
              "<hr class=\"full_hr\" />\n<address>\nCorvane</address>\n</body>\n</html>\n");
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].m_strUrl, "http://h/wiki/skin/pukiwiki.css.php?charset=Shift_JIS");
    EXPECT_EQ(links[1].m_strUrl, "http://h/wiki/index.php?FormattingRules");
}

TEST(DefaultRules, FilterMadeForTheProgramReadsItsConfFolder) {
    // Test programs run from the build tree, which holds a copy of conf/ beside them.
    const CCVNFilter filter("", "", "T", "F", GetBodyRulesPath(), GetReplaceRulesPath());
    const CCVNFilter explicitRules("", "", "T", "F", (SourceDir() / "conf/body.txt").string(),
                                   (SourceDir() / "conf/replace.txt").string());
    EXPECT_FALSE(filter.GetBodyPattern().empty());
    EXPECT_EQ(filter.GetBodyPattern(), explicitRules.GetBodyPattern());
    EXPECT_EQ(filter.GetRemovalRules(), explicitRules.GetRemovalRules());
    // exclude.txt comes from the same folder, found by the program or beside replace.txt.
    EXPECT_FALSE(filter.GetExclusions().empty());
    EXPECT_EQ(filter.GetExclusions(), explicitRules.GetExclusions());
    EXPECT_EQ(filter.GetExclusions(), ReadRuleFile((SourceDir() / "conf/exclude.txt").string()));
    EXPECT_EQ(filter.GetExclusions(), ReadRuleFile(GetExcludeRulesPath()));
}

TEST(SampleWiki, FiltersConvertConcurrently) {
    const std::vector<SamplePage> pages = SamplePages();
    auto prototype = DefaultFilter("^(.*)$", "[$1]");
    std::vector<std::string> expected;
    for (const SamplePage& page : pages) {
        expected.push_back(ConvertSample(*prototype, page).text);
    }
    std::vector<std::unique_ptr<CHTMLFilter>> clones;
    for (int i = 0; i < 4; ++i) {
        clones.emplace_back(prototype->Clone());
    }
    std::vector<int> mismatches(clones.size(), 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < clones.size(); ++t) {
        threads.emplace_back([&, t] {
            auto& filter = static_cast<CCVNFilter&>(*clones[t]);
            for (int round = 0; round < 3; ++round) {
                for (std::size_t i = 0; i < pages.size(); ++i) {
                    if (ConvertSample(filter, pages[(i + t) % pages.size()]).text !=
                        expected[(i + t) % pages.size()]) {
                        ++mismatches[t];
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int m : mismatches) {
        EXPECT_EQ(m, 0);
    }
}

}  // namespace
}  // namespace corvane
