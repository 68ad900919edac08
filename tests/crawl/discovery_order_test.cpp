// The order of a finished run's pages as one worker would have found them, replayed from the
// links each page gave the crawl.
#include "crawl/discovery_order.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace corvane {
namespace {

// A run's pages: name -> (URL, file, level, links as (URL, file)).
struct CrawlRun {
    std::vector<std::unique_ptr<CWebPage>> owned;
    std::map<std::string, CWebPage*> byName;

    CWebPage* Page(const std::string& name, const std::string& url, const std::string& file,
                   int level, std::vector<std::pair<std::string, std::string>> links) {
        owned.push_back(std::make_unique<CWebPage>(url));
        CWebPage* page = owned.back().get();
        page->SetLocalName(file);
        page->SetLevel(level);
        for (auto& [link, linkFile] : links) page->AddFoundLink(link, linkFile);
        byName[name] = page;
        return page;
    }
    std::vector<CWebPage*> List(const std::vector<std::string>& names) {
        std::vector<CWebPage*> list;
        for (const auto& name : names) list.push_back(byName.at(name));
        return list;
    }
    std::vector<std::string> Names(const std::vector<CWebPage*>& pages) {
        std::vector<std::string> names;
        for (CWebPage* page : pages) {
            for (auto& [name, known] : byName) {
                if (known == page) names.push_back(name);
            }
        }
        return names;
    }
};

TEST(DiscoveryOrderTest, PagesComeInTheOrderOfASingleWorker) {
    // Start links A then B; A links C, B and the start page; B links D then C; C links an
    // image whose file was named by another URL's link first (same file, another query).
    CrawlRun run;
    run.Page("S", "http://w/?S", "S.html", 0,
             {{"http://w/?A", "A.html"}, {"http://w/?B", "B.html"}});
    run.Page("A", "http://w/?A", "A.html", 1,
             {{"http://w/?C", "C.html"}, {"http://w/?B", "B.html"}, {"http://w/?S", "S.html"}});
    run.Page("B", "http://w/?B", "B.html", 1,
             {{"http://w/?D", "D.html"}, {"http://w/?cmd=read&page=C", "C.html"}});
    run.Page("C", "http://w/?C", "C.html", 2, {{"http://w/i.png", "i.png"}});
    run.Page("D", "http://w/?D", "D.html", 2, {{"http://w/other/i.png", "i.png"}});
    run.Page("I", "http://w/i.png", "i.png", 3, {});
    // A failed page keeps its URL as its name and gave no links.
    run.Page("F", "http://w/?F", "http://w/?F", 3, {});
    run.byName.at("C")->AddFoundLink("http://w/?F", "F.html");

    const std::vector<std::string> single = {"S", "A", "B", "C", "D", "I", "F"};
    // The orders that several workers finishing at random give.
    for (const auto& finished :
         std::vector<std::vector<std::string>>{single,
                                               {"S", "B", "A", "D", "C", "F", "I"},
                                               {"S", "A", "B", "D", "C", "I", "F"},
                                               {"S", "B", "D", "A", "I", "C", "F"}}) {
        EXPECT_EQ(run.Names(SingleWorkerOrder(run.List(finished))), single);
    }
}

TEST(DiscoveryOrderTest, APageWonByAnotherUrlOfItsFileTakesThatPlace) {
    // One worker finds B by the link "?B"; four workers may have fetched the same file by
    // "?cmd=read&page=B" first, from a page that one worker reaches later.
    CrawlRun run;
    run.Page("S", "http://w/?S", "S.html", 0,
             {{"http://w/?A", "A.html"}, {"http://w/?B", "B.html"}, {"http://w/?E", "E.html"}});
    run.Page("A", "http://w/?A", "A.html", 1, {});
    run.Page("E", "http://w/?E", "E.html", 1, {{"http://w/?cmd=read&page=B", "B.html"}});
    run.Page("B2", "http://w/?cmd=read&page=B", "B.html", 2, {});
    // A page that no replayed link leads to keeps its place after the others.
    run.Page("X", "http://w/?X", "X.html", 2, {});
    EXPECT_EQ(run.Names(SingleWorkerOrder(run.List({"S", "E", "X", "B2", "A"}))),
              (std::vector<std::string>{"S", "A", "B2", "E", "X"}));
    // Two start pages keep their own order, each with its links after both.
    CrawlRun two;
    two.Page("S1", "http://w/?S1", "S1.html", 0, {{"http://w/?A", "A.html"}});
    two.Page("S2", "http://w/?S2", "S2.html", 0,
             {{"http://w/?S1", "S1.html"}, {"http://w/?B", "B.html"}});
    two.Page("A", "http://w/?A", "A.html", 1, {});
    two.Page("B", "http://w/?B", "B.html", 1, {});
    EXPECT_EQ(two.Names(SingleWorkerOrder(two.List({"S1", "S2", "B", "A"}))),
              (std::vector<std::string>{"S1", "S2", "A", "B"}));

    // The start page holds its file before its first link: a link to the start page's file
    // by another URL is no new page, whichever URL form the run kept a record of.
    CrawlRun self;
    self.Page("S", "http://w/?S", "S.html", 0,
              {{"http://w/?cmd=read&page=S", "S.html"}, {"http://w/?A", "A.html"}});
    self.Page("S2", "http://w/?cmd=read&page=S", "S.html", 1, {});
    self.Page("A", "http://w/?A", "A.html", 1, {});
    EXPECT_EQ(self.Names(SingleWorkerOrder(self.List({"S", "S2", "A"}))),
              (std::vector<std::string>{"S", "A", "S2"}));
}

}  // namespace
}  // namespace corvane
