// The words a failed page gets in the log, and the checks of settings before a crawl.
#include "crawl/page_failure.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "crawl/downloader_thread.h"
#include "crawl/project_checks.h"
#include "platform/text_codec.h"
#include "support/test_paths.h"

namespace corvane {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

CCheckResult Result(int status, int http, const std::string& headers = "",
                    const std::string& error = "") {
    CCheckResult r;
    r.m_nStatus = status;
    r.m_nHttpStatus = http;
    r.m_strHeaders = headers;
    r.m_strError = error;
    return r;
}

TEST(PageFailureTest, ReasonNamesTheStatusTheErrorOrTheRefusal) {
    EXPECT_FALSE(IsFailedPage(Result(CHECK_OK, 200)));
    EXPECT_EQ(PageFailureReason(Result(CHECK_OK, 200)), "");
    // A 304 or a local page is no failure either.
    EXPECT_FALSE(IsFailedPage(Result(CHECK_OK, 0)));

    // The server's own phrase, also an unusual one; the usual phrase when it sent none.
    EXPECT_EQ(PageFailureReason(Result(CHECK_ERROR, 404, "HTTP/1.1 404 Not Found\r\nA: b\r\n")),
              "HTTP 404 Not Found");
    EXPECT_EQ(PageFailureReason(Result(CHECK_ERROR, 418, "HTTP/1.1 418 I'm a teapot \r\n")),
              "HTTP 418 I'm a teapot");
    EXPECT_EQ(PageFailureReason(Result(CHECK_ERROR, 503, "HTTP/2 503\r\n")),
              "HTTP 503 Service Unavailable");
    EXPECT_EQ(PageFailureReason(Result(CHECK_ERROR, 599, "HTTP/2 599\r\n")), "HTTP 599");
    EXPECT_EQ(PageFailureReason(Result(CHECK_TIMEOUT, 408, "")), "HTTP 408 Request Timeout");
    // 401 after the retry: the credentials are missing or wrong.
    EXPECT_EQ(PageFailureReason(Result(CHECK_ERROR, 401, "HTTP/1.1 401 Unauthorized\r\n")),
              "HTTP 401 Unauthorized" + Utf8ToSjis(" (ユーザー名とパスワードを確認してください)"));

    // A network error or a refusal of our own says more than the status.
    EXPECT_EQ(PageFailureReason(Result(CHECK_ERROR, 0, "", "The operation timed out")),
              "The operation timed out");
    EXPECT_EQ(PageFailureReason(Result(CHECK_ERROR, 200, "HTTP/1.1 200 OK\r\n", "no room")),
              "no room");
    EXPECT_EQ(PageFailureReason(Result(DOWNLOAD_BADSCHEME, 0)),
              Utf8ToSjis("http と https 以外の URL は取得しません"));
    EXPECT_EQ(PageFailureReason(Result(DOWNLOAD_REFUSED, 0)),
              Utf8ToSjis("ページとして扱えない URL です"));
    EXPECT_TRUE(IsFailedPage(Result(DOWNLOAD_REFUSED, 0)));
}

// Credentials stand between the scheme and the host's end; an "@" in the path, query or
// fragment is no user name, and one in the path does not hide a user name before the host.
TEST(ProjectChecksTest, OnlyAUserNameBeforeTheHostIsACredential) {
    const struct {
        const char* url;
        const char* shown;  // nullptr: no credentials
    } cases[] = {
        {"http://wiki.example/?cmd=read&page=a@b", nullptr},
        {"http://wiki.example?page=a@b/c", nullptr},
        {"http://wiki.example#a@b/c", nullptr},
        {"http://wiki.example/attach/a@b.png", nullptr},
        {"http://alice:pw@wiki.example/a@b", "[http://wiki.example/a@b]"},
        {"http://alice@wiki.example", "[http://wiki.example]"},
        {"https://a:b@c@wiki.example:8443/?x", "[https://wiki.example:8443/?x]"},
        {"alice:pw@wiki.example/", "[wiki.example/]"},
    };
    for (const auto& c : cases) {
        const std::string message = CheckUrlCredentials(c.url);
        if (c.shown == nullptr) {
            EXPECT_EQ(message, "") << c.url;
        } else {
            EXPECT_THAT(message, HasSubstr(c.shown)) << c.url;
            EXPECT_THAT(message, Not(HasSubstr("alice"))) << c.url;
        }
    }
    EXPECT_EQ(CheckTitle("Manual \x83\x5C"), "");
    EXPECT_THAT(CheckTitle("a\x7f"), HasSubstr("[a\\x7F]"));
    EXPECT_THAT(CheckTitle("a\tb"), HasSubstr("[a\tb]"));
    EXPECT_EQ(CheckBaseNameForCompiler("\x83\x77\x83\x8b\x83\x76", "/usr/bin/chmcmd"), "");
    EXPECT_THAT(CheckBaseNameForCompiler("\x83\x77\x83\x8b\x83\x76", "/opt/HHW/HHC.EXE"),
                HasSubstr("[/opt/HHW/HHC.EXE]"));
    EXPECT_THAT(CheckBaseName("a\"b"), HasSubstr("[a\"b]"));
}

// The rule files are checked as the page filter reads them: the folder, the body rule's
// first pattern and every pattern of the other files, each error naming its file and line.
TEST(ProjectChecksTest, RuleFilesAreCheckedFileByFileAndLineByLine) {
    test::ScratchDir dir;
    const std::string conf = dir.path().string() + "/";
    // A missing folder lists every place that was searched, one a line.
    EXPECT_THAT(CheckRuleFiles(conf + "none/", {"/opt/a/conf/", "/home/u/conf/"}),
                HasSubstr(":\n/opt/a/conf/\n/home/u/conf/"));
    EXPECT_THAT(CheckRuleFiles(conf, {}), HasSubstr("[" + conf + "body.txt]"));
    test::WriteFileBytes(dir / "body.txt", "# only a comment\n\n");
    EXPECT_THAT(CheckRuleFiles(conf, {}), HasSubstr("[" + conf + "body.txt]"));
    // Only the first pattern of body.txt is used: a second one is never compiled.
    test::WriteFileBytes(dir / "body.txt", "# body\n<div id=\"body\">(.*?)</div>\n(\n");
    EXPECT_EQ(CheckRuleFiles(conf, {}), "");
    // replace.txt and exclude.txt are optional, but every line of them counts.
    test::WriteFileBytes(dir / "replace.txt", "<a>\n\n[b-]\n");
    test::WriteFileBytes(dir / "exclude.txt", "# none\n");
    EXPECT_EQ(CheckRuleFiles(conf, {}), "");
    test::WriteFileBytes(dir / "exclude.txt", "cmd=edit\n# next\n(?<x\n");
    EXPECT_THAT(CheckRuleFiles(conf, {}), HasSubstr("[" + conf + "exclude.txt] 3 "));
    test::WriteFileBytes(dir / "exclude.txt", "");
    test::WriteFileBytes(dir / "replace.txt", "ok\n[z-a]\n");
    EXPECT_THAT(CheckRuleFiles(conf, {}), HasSubstr("[" + conf + "replace.txt] 2 "));
}

TEST(ProjectChecksTest, EachSettingIsCheckedAndNamedInItsMessage) {
    for (const char* good : {"Manual", "My Help", "a.b", "..x", "\x83w\x83\x8b\x83v"}) {
        EXPECT_EQ(CheckBaseName(good), "") << good;
    }
    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "/abs"}) {
        EXPECT_THAT(CheckBaseName(bad), HasSubstr(std::string("[") + bad + "]")) << bad;
    }

    for (const char* good : {"http://wiki.example/?FrontPage", "https://127.0.0.1:8443/",
                             "HTTP://WIKI.EXAMPLE/index.php"}) {
        EXPECT_EQ(CheckStartUrl(good), "") << good;
    }
    for (const char* bad : {"wiki.example/?FrontPage", "ftp://wiki.example/", "file:///tmp/x",
                            "http://", "http:///path", "mailto:me@example.com"}) {
        EXPECT_THAT(CheckStartUrl(bad), HasSubstr(std::string("[") + bad + "]")) << bad;
    }

    EXPECT_EQ(CheckTocPattern(""), "");
    EXPECT_EQ(CheckTocPattern("\x96\xda\x8e\x9f</h2>"), "");  // 目次</h2>
    EXPECT_THAT(CheckTocPattern("("), HasSubstr("[(]"));
    EXPECT_THAT(CheckTocPattern("[a"), HasSubstr("[[a]"));

    test::ScratchDir dir;
    const std::string folder = dir.path().string() + "/";
    EXPECT_EQ(CheckFolderWritable(folder), "");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));  // the probe is gone again
    EXPECT_THAT(CheckFolderWritable("/proc/"), HasSubstr("[/proc/]\n"));
    EXPECT_THAT(CheckFolderWritable(folder + "missing/"), HasSubstr("No such file"));
}

}  // namespace
}  // namespace corvane
