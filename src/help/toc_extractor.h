// Reads the table of contents of the help file from the start page: the bulleted list that
// directly follows the place marked by the project's TOC pattern, nested lists as nested
// entries.
#pragma once

#include <memory>
#include <string>

#include "help/help_node.h"

namespace corvane {

// `pageText` is the start page's saved file, its lines joined with CR LF; `startPattern`
// the project's TocPat (case-insensitive; when it does not match or compile, the walk
// starts at the top of the page). Never null: without a list the tree is the root alone,
// named "root" with the local name "rootpath" until the caller fills both in.
std::unique_ptr<CHelpNode> ExtractToc(const std::string& pageText, const std::string& startPattern);

}  // namespace corvane
