// Why a crawled page did not come back, in words for the log: the HTTP status with its text,
// the network error, or the reason the downloader refused the page.
#pragma once

#include <string>

#include "net/check_result.h"

namespace corvane {

// A page failed when its outcome is anything but success: an HTTP error status (even with
// a body, such as the wiki's own error page), a network error, or a refusal.
bool IsFailedPage(const CCheckResult& result);

// The reason of a failed page (Shift_JIS), e.g. "HTTP 404 Not Found" or the network error's
// text; empty for a page that did not fail.
std::string PageFailureReason(const CCheckResult& result);

// The reason of a page that ran out of memory while it was fetched or converted.
std::string OutOfMemoryReason();

// The reason phrase of the response's status line ("Not Found"), or the usual phrase for
// the status when the line has none.
std::string HttpReasonPhrase(const std::string& rawHeaders, int status);

}  // namespace corvane
