// Telling a downloaded page from a style sheet or a binary file, by its URL, its
// Content-Type and, as a last resort, its first bytes.
#pragma once

#include <string>
#include <string_view>

#include "convert/link_record.h"
#include "net/page_fetch.h"
#include "text/text_encoding.h"

namespace corvane {

enum class ContentKind { Html, StyleSheet, Other };

// `path` is the URL path, `headers` the response header text, `kind` the link kind the
// page was found through (KnownHtml makes it HTML when nothing else decides).
ContentKind ClassifyContent(const std::string& path, const std::string& headers,
                            std::string_view content, LinkKind kind);

// The Japanese encoding that the Content-Type line of `headers` names in its charset
// (UTF-8, EUC-JP, Shift_JIS or ISO-2022-JP); undetermined when it names none of them.
TextEncoding DeclaredCharset(const std::string& headers);

// The same for the first `<meta ... charset=...>` near the top of a page.
TextEncoding DeclaredMetaCharset(std::string_view content);

// The encoding a page is read in: the charset the header declares, else the one its meta
// declares, when the page's bytes are valid in it; detection from the bytes when nothing
// is declared, the declaration is wrong, or a byte-order mark names the encoding.
TextEncoding PageEncoding(const std::string& headers, std::string_view content);

// Where a 2xx answer for a URL with this path goes, decided before the fetch: a style sheet
// or an image is saved as it comes whatever its bytes; a page ending in .html or .htm is
// kept for the conversion; anything else (an attachment served by the wiki script, whose
// URL path is "/") is saved as it comes when its Content-Type names something not HTML.
BodyTarget BodyTargetOf(const std::string& path);

// The extension of the last component of `path` (from its last '.', with the dot), as the
// Windows shell finds it; empty when there is none.
std::string PathExtension(const std::string& path);

}  // namespace corvane
