// Width normalisation of Shift_JIS text for comparisons: full-width letters, digits and
// symbols become half-width, half-width katakana become full-width.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Full-width ASCII variants and the ideographic space become ASCII (Ａ → A, ￥ → \),
// half-width katakana become full-width, a letter with a following voiced or semi-voiced
// mark one composed letter (ｶﾞ → ガ). The voiced marks ゛ ゜ and a lone ﾞ end up half-width.
std::string NormalizeWidth(std::string_view text);

}  // namespace corvane
