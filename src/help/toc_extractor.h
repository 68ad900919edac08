// Reads the table of contents of the help file from the start page: the bulleted list that
// directly follows the place marked by the project's TOC pattern, nested lists as nested
// entries.
#pragma once

#include <memory>
#include <string>

#include "help/help_node.h"

namespace corvane {

// How the walk through the list went, for the log.
struct CTocWalk {
    enum Stop {
        kNoList,           // no list followed the pattern: the tree is the root alone
        kListClosed,       // every list opened was closed again
        kItemWithoutLink,  // an item did not begin with a link
        kUnexpected,       // something other than an item or a list stood inside the list
        kPageEnded         // the page ended inside the list
    };
    Stop m_nStop = kNoList;
    // The caption of the last entry read (empty when none was).
    std::string m_strLastEntry;
    // The start of what stood where the walk stopped, on one line.
    std::string m_strAt;
};

// The part of a help page that came from the wiki: what follows the heading the page filter
// puts at the top of the body. The whole text when it has no such heading.
std::string WikiPartOfPage(const std::string& pageText);

// `pageText` is the start page's saved file, its lines joined with CR LF; `startPattern`
// the project's TocPat (case-insensitive), looked for in the wiki's part of the page, so
// that the heading made from the help title cannot hide the list; when it does not match
// or compile, the walk starts at the top of that part. Text after an item's link inside the
// same item (a description, a date) is passed over. Never null: without a list the tree is
// the root alone, named "root" with the local name "rootpath" until the caller fills both
// in. `walk`, when given, tells where and why the walk stopped.
std::unique_ptr<CHelpNode> ExtractToc(const std::string& pageText, const std::string& startPattern,
                                      CTocWalk* walk = nullptr);

}  // namespace corvane
