// A replacement callback that expands one "$1$3"-style format against each match.
#pragma once

#include <string>
#include <string_view>

#include "text/reg_callback.h"

namespace corvane {

class CRegFormatCallback : public CRegCallback {
public:
    explicit CRegFormatCallback(std::string_view format) : m_strFormat(format) {}
    std::string GetReplacement(const CRegMatch& match) override;

private:
    std::string m_strFormat;
};

}  // namespace corvane
