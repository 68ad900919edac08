// Contents-tree nodes: where a child lands and that a node hangs in one place only.
#include "help/help_node.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(HelpNodeTest, AddChildInsertsInOrderAndRefusesANodeThatAlreadyHasAParent) {
    CHelpNode root("root", "rootpath");
    auto* a = new CHelpNode("a", "a.html");
    auto* c = new CHelpNode("c", "c.html");
    ASSERT_TRUE(root.AddChild(a));
    ASSERT_TRUE(root.AddChild(c));
    ASSERT_TRUE(root.AddChild(new CHelpNode("b", "b.html"), c));
    ASSERT_EQ(root.GetChildren()->size(), 3u);
    EXPECT_EQ((*root.GetChildren())[1]->GetName(), "b");
    EXPECT_EQ(c->GetParent(), &root);

    // Already in the tree: refused, and the tree is unchanged.
    CHelpNode other("other", "other.html");
    EXPECT_FALSE(other.AddChild(a));
    EXPECT_FALSE(root.AddChild(&root));
    EXPECT_TRUE(other.GetChildren()->empty());
    EXPECT_EQ(a->GetParent(), &root);
}

}  // namespace
}  // namespace corvane
