// One entry of the help file's table of contents: a caption, the local file it opens,
// and the entries nested below it. A node owns its children.
#pragma once

#include <string>
#include <vector>

#include "platform/composite.h"

namespace corvane {

class CHelpNode : public CComposite<CHelpNode> {
public:
    CHelpNode(const std::string& name, const std::string& local);
    CHelpNode(const CHelpNode&) = delete;
    CHelpNode& operator=(const CHelpNode&) = delete;

    // The child list (never null for a help node).
    std::vector<CHelpNode*>* GetChildren() override { return &m_children; }
    // Deletes the children, depth first, before the node itself.
    ~CHelpNode() override;

    // Takes ownership of `child` and inserts it before `before` (at the end when `before`
    // is null or not a child of this node). Refuses, returning false, a node that already
    // has a parent: a node hangs in one place only.
    bool AddChild(CHelpNode* child, CHelpNode* before = nullptr);

    std::string GetName() const { return m_strName; }
    std::string GetLocal() const { return m_strLocal; }
    void SetName(const std::string& name) { m_strName = name; }
    void SetLocal(const std::string& local) { m_strLocal = local; }

private:
    std::vector<CHelpNode*> m_children;
    std::string m_strName;
    std::string m_strLocal;
};

}  // namespace corvane
