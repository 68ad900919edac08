// The tree-node template shared by crawled pages and contents entries: a node knows its
// parent and, when it is an inner node, hands out the vector of its children.
#pragma once

#include <vector>

namespace corvane {

template <class T>
class CComposite {
public:
    // A leaf has no child vector.
    virtual std::vector<T*>* GetChildren() { return nullptr; }
    virtual ~CComposite() = default;
    virtual void SetParent(T* parent) { m_pParent = parent; }
    virtual T* GetParent() { return m_pParent; }

protected:
    T* m_pParent = nullptr;
};

// Releases everything below `node`, not the node itself.
template <class T>
void DeleteSubtree(CComposite<T>* node) {
    std::vector<T*>* children = node->GetChildren();
    if (children == nullptr) return;
    for (T* child : *children) {
        DeleteSubtree<T>(child);
        delete child;
    }
    children->clear();
}

// Releases a flat list of nodes together with their subtrees, and empties the list.
template <class T>
void DeleteAll(std::vector<T*>& nodes) {
    for (T* node : nodes) {
        DeleteSubtree<T>(node);
        delete node;
    }
    nodes.clear();
}

}  // namespace corvane
