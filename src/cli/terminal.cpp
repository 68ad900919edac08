#include "cli/terminal.h"

#include <langinfo.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <clocale>
#include <iostream>

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

bool CTerminal::ReadLine(std::string& line) const {
    std::string text;
    if (!std::getline(std::cin, text)) return false;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    line = FromTerminal(text);
    return true;
}

bool CTerminal::ReadSecret(const std::string& promptSjis, std::string& secret) const {
    const bool tty = isatty(0) == 1;
    termios saved{};
    if (tty && tcgetattr(0, &saved) == 0) {
        std::string prompt = ToTerminal(promptSjis);
        std::fwrite(prompt.data(), 1, prompt.size(), stderr);
        std::fflush(stderr);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(0, TCSAFLUSH, &quiet);
        const bool read = ReadLine(secret);
        tcsetattr(0, TCSAFLUSH, &saved);
        return read;
    }
    // A pipe: the password comes from a file or another program, never the command line.
    return ReadLine(secret);
}

bool CTerminal::IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

int CTerminal::Columns(std::FILE* stream) {
    winsize ws{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
    return 80;
}

}  // namespace corvane
