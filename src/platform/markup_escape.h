// Escaping of text where it meets markup (help pages, the contents and keyword files): the
// characters that could end a text or an attribute value, or start a tag, become character
// references. Works byte by byte on Shift_JIS: no trail byte is one of "&<>\"".
#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Plain text (a page name, a project title) as markup text: "&", "<", ">" and "\"" become
// "&amp;", "&lt;", "&gt;" and "&quot;".
std::string EscapeMarkup(std::string_view text);

// Text that is markup already (a title or link text taken from a wiki page, which the wiki
// escaped) made safe for the same places: character references such as "&amp;" or
// "&#12354;" stay, every other "&" and every "<", ">" and "\"" is escaped.
std::string EscapeMarkupKeepingReferences(std::string_view text);

}  // namespace corvane
