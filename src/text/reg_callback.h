// The interface through which a regex substitution asks for the replacement of one match.
#pragma once

#include <string>

#include "text/reg_match.h"

namespace corvane {

class CRegCallback {
public:
    virtual ~CRegCallback() = default;
    // The text that replaces `match` in the result.
    virtual std::string GetReplacement(const CRegMatch& match) = 0;
};

}  // namespace corvane
