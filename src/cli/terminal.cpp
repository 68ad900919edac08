#include "cli/terminal.h"

#include <langinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <clocale>

#include "platform/ascii.h"
#include "platform/text_codec.h"

namespace corvane {

CTerminal::CTerminal() {
    std::setlocale(LC_CTYPE, "");
    const std::string codeset = ToUpperAscii(nl_langinfo(CODESET));
    if (codeset == "SHIFT_JIS" || codeset == "SJIS" || codeset == "CP932" ||
        codeset == "WINDOWS-31J") {
        m_strEncoding = "CP932";
    } else if (codeset == "EUC-JP" || codeset == "EUCJP") {
        m_strEncoding = "EUC-JP";
    } else {
        // UTF-8, and also the plain C locale: an ASCII-only terminal cannot show Japanese
        // at all, and UTF-8 is what nearly every terminal and log collector reads.
        m_strEncoding = "UTF-8";
    }
}

std::string CTerminal::ToTerminal(const std::string& sjis) const {
    if (m_strEncoding == "CP932") return sjis;
    if (m_strEncoding == "UTF-8") return SjisToUtf8(sjis);
    return ConvertCodePage(sjis, "CP932", m_strEncoding.c_str(), "?");
}

std::string CTerminal::FromTerminal(const std::string& text) const {
    if (m_strEncoding == "CP932") return text;
    if (m_strEncoding == "UTF-8") return Utf8ToSjis(text);
    return ConvertCodePage(text, m_strEncoding.c_str(), "CP932", "?");
}

void CTerminal::PrintLine(std::FILE* stream, const std::string& sjis) const {
    std::string text = ToTerminal(sjis);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

bool CTerminal::IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

int CTerminal::Columns(std::FILE* stream) {
    winsize ws{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
    return 80;
}

}  // namespace corvane
