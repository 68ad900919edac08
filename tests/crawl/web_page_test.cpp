#include <gtest/gtest.h>

#include <memory>

#include "crawl/web_page.h"

namespace corvane {
namespace {

// Counts destructions, so that a test sees exactly what a release deleted.
struct CountedPage : CWebPage {
    explicit CountedPage(int* deleted) : CWebPage("http://h/"), m_pDeleted(deleted) {}
    ~CountedPage() override { ++*m_pDeleted; }
    int* m_pDeleted;
};

struct Leaf : CComposite<Leaf> {};

TEST(WebPageTest, DeleteSubtreeReleasesEverythingBelowButNotTheNode) {
    int deleted = 0;
    CountedPage root(&deleted);
    auto* child = new CountedPage(&deleted);
    child->GetChildren()->push_back(new CountedPage(&deleted));
    child->GetChildren()->push_back(new CountedPage(&deleted));
    root.GetChildren()->push_back(child);
    root.GetChildren()->push_back(new CountedPage(&deleted));

    DeleteSubtree<CWebPage>(&root);
    EXPECT_EQ(deleted, 4);
    EXPECT_TRUE(root.GetChildren()->empty());

    // A leaf has no child vector: nothing to do, and no crash.
    Leaf leaf;
    EXPECT_EQ(leaf.GetChildren(), nullptr);
    DeleteSubtree<Leaf>(&leaf);
}

TEST(WebPageTest, PageFromLinkDropsTheFragmentAtTheLastHash) {
    std::unique_ptr<CWebPage> a(CWebPage::FromLink("http://h/index.php?Foo#bar"));
    std::unique_ptr<CWebPage> b(CWebPage::FromLink("http://h/index.php?Foo#baz"));
    std::unique_ptr<CWebPage> c(CWebPage::FromLink("http://h/index.php?A#b#c"));
    std::unique_ptr<CWebPage> d(CWebPage::FromLink("http://h/index.php?Foo"));
    EXPECT_EQ(a->GetURL(), "http://h/index.php?Foo");
    EXPECT_EQ(a->GetURL(), b->GetURL());
    EXPECT_EQ(c->GetURL(), "http://h/index.php?A#b");
    EXPECT_EQ(d->GetURL(), "http://h/index.php?Foo");

    // A start page keeps its URL exactly as entered.
    CWebPage start("http://h/index.php?Top#x");
    EXPECT_EQ(start.GetURL(), "http://h/index.php?Top#x");
    EXPECT_EQ(start.GetLevel(), 0);
    EXPECT_EQ(start.GetKind(), LinkKind::None);
    EXPECT_EQ(start.GetLocalName(), "");
}

}  // namespace
}  // namespace corvane
