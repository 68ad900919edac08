#include "platform/sjis_text.h"

#include "platform/text_codec.h"

namespace corvane {

const std::string& CSjisText::str() const {
    std::call_once(m_once, [this] { m_pStr = new std::string(Utf8ToSjis(m_pUtf8)); });
    return *m_pStr;
}

}  // namespace corvane
