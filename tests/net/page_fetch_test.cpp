#include "net/page_fetch.h"

#include <gtest/gtest.h>

#include "net/body_sink.h"

namespace corvane {
namespace {

class NullSink : public CBodySink {
public:
    bool Write(const char*, std::size_t) override { return true; }
};

TEST(PageFetch, OnlyASuccessfulAnswerOfTheRightTypeGoesToTheSink) {
    const std::string html = "HTTP/1.1 200 OK\r\nContent-Type:  Text/HTML; charset=EUC-JP\r\n";
    const std::string xhtml = "HTTP/1.1 200 OK\r\ncontent-type: application/xhtml+xml\r\n";
    const std::string pdf = "HTTP/1.1 200 OK\r\nContent-Type: application/pdf\r\n";
    const std::string untyped = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n";
    struct Case {
        BodyTarget target;
        int status;
        const std::string& headers;
        bool sink;
    } cases[] = {
        {BodyTarget::Memory, 200, pdf, false},
        {BodyTarget::Sink, 200, html, true},  // a style sheet served as HTML is still a file
        {BodyTarget::Sink, 206, untyped, true},
        {BodyTarget::Sink, 199, pdf, false},
        {BodyTarget::Sink, 300, pdf, false},  // a redirect's text is not the file
        {BodyTarget::Sink, 404, pdf, false},
        {BodyTarget::SinkUnlessMarkup, 200, pdf, true},
        {BodyTarget::SinkUnlessMarkup, 299, pdf, true},
        {BodyTarget::SinkUnlessMarkup, 200, html, false},
        {BodyTarget::SinkUnlessMarkup, 200, xhtml, false},
        {BodyTarget::SinkUnlessMarkup, 200, untyped, false},  // may yet be a page
        {BodyTarget::SinkUnlessMarkup, 401, pdf, false},
    };
    NullSink sink;
    for (const Case& c : cases) {
        CPageFetch fetch;
        fetch.body = c.target;
        fetch.pSink = &sink;
        EXPECT_EQ(fetch.SendsBodyToSink(c.status, c.headers), c.sink)
            << static_cast<int>(c.target) << " " << c.status << " " << c.headers;
        // Without a sink every body stays in memory.
        fetch.pSink = nullptr;
        EXPECT_FALSE(fetch.SendsBodyToSink(c.status, c.headers));
    }
}

TEST(SiteCredentials, HoldUnderTheStartPagesFolderOnly) {
    const CSiteCredentials site =
        CSiteCredentials::ForStartPage("http://h/wiki/index.php?Top#intro", "alice", "a");
    EXPECT_EQ(site.strPrefix, "http://h/wiki/");
    EXPECT_EQ(site.strUser, "alice");
    EXPECT_EQ(site.strPassword, "a");
    struct Case {
        const char* url;
        bool covered;
    } cases[] = {
        {"http://h/wiki/index.php?Top", true},
        {"http://h/wiki/", true},
        {"http://h/wiki/attach/a.png", true},
        {"http://h/wiki", false},  // the folder's name alone is another resource
        {"http://h/other", false},
        {"http://other/wiki/", false},
        {"http://h.evil/wiki/", false},
        {"https://h/wiki/", false},
        {"HTTP://h/wiki/", false},  // byte for byte: letter case counts
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(site.Cover(c.url), c.covered) << c.url;

    // A start URL that names no folder gives credentials for no site at all.
    for (const char* start : {"", "no url", "mailto:a@h"}) {
        const CSiteCredentials none = CSiteCredentials::ForStartPage(start, "u", "p");
        for (const Case& c : cases) EXPECT_FALSE(none.Cover(c.url)) << start << " " << c.url;
        EXPECT_FALSE(none.Cover(start)) << start;
    }
}

}  // namespace
}  // namespace corvane
