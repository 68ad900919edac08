#include "text/reg_format_callback.h"

namespace corvane {

std::string CRegFormatCallback::GetReplacement(const CRegMatch& match) {
    return match.Format(m_strFormat);
}

}  // namespace corvane
