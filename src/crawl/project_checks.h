// Checks of project settings that can be made before a crawl, so that a setting that cannot
// work stops the build at once instead of after every page has been fetched. Each returns
// an empty text when the value is usable, else the message (Shift_JIS) naming the value.
#pragma once

#include <string>

namespace corvane {

// The output folder (ending with a separator) takes a new file: one is made and removed.
std::string CheckFolderWritable(const std::string& folder);

// The base name is a plain file name: not empty, no folder separators, not "." or "..".
std::string CheckBaseName(const std::string& baseName);

// The start URL is http or https and has a host.
std::string CheckStartUrl(const std::string& url);

// The contents pattern compiles (an empty pattern is fine: it matches at the start).
std::string CheckTocPattern(const std::string& pattern);

}  // namespace corvane
