#include "help/help_node.h"

#include <algorithm>

namespace corvane {

CHelpNode::CHelpNode(const std::string& name, const std::string& local)
    : m_strName(name), m_strLocal(local) {}

CHelpNode::~CHelpNode() { DeleteSubtree<CHelpNode>(this); }

bool CHelpNode::AddChild(CHelpNode* child, CHelpNode* before) {
    if (child == nullptr || child == this || child->GetParent() != nullptr) return false;
    child->SetParent(this);
    auto at = std::find(m_children.begin(), m_children.end(), before);
    m_children.insert(before ? at : m_children.end(), child);
    return true;
}

}  // namespace corvane
