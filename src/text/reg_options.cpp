#include "text/reg_options.h"

#include "text/reg_engine.h"

namespace corvane {

CRegOptions::CRegOptions(std::string_view options) : m_nOption(ONIG_OPTION_MULTILINE) {
    for (char c : options) {
        switch (c) {
            case 'g':
                m_bGlobal = true;
                break;
            case 'i':
                m_nOption |= ONIG_OPTION_IGNORECASE;
                break;
            case 's':
                m_nEncoding = RegEncoding::ShiftJis;
                break;
            case 'e':
                m_nEncoding = RegEncoding::EucJp;
                break;
            case 'u':
                m_nEncoding = RegEncoding::Utf8;
                break;
            default:
                break;
        }
    }
}

}  // namespace corvane
