// The command line's edge to the terminal: arguments come in and text goes out in the
// terminal's encoding, while the core works in Shift_JIS.
#pragma once

#include <cstdio>
#include <string>

namespace corvane {

class CTerminal {
public:
    // Reads the encoding from the locale (LANG / LC_ALL / LC_CTYPE).
    CTerminal();

    // Shift_JIS text for the terminal, and a terminal text (an argument) as Shift_JIS.
    std::string ToTerminal(const std::string& sjis) const;
    std::string FromTerminal(const std::string& text) const;

    // Writes Shift_JIS text followed by a line feed.
    void PrintLine(std::FILE* stream, const std::string& sjis) const;

    // Reads one line from standard input as Shift_JIS, without echo when it is a terminal
    // (the prompt goes to standard error). False at the end of input.
    bool ReadSecret(const std::string& promptSjis, std::string& secret) const;
    // Reads one answer line from standard input (echoed), as Shift_JIS.
    bool ReadLine(std::string& line) const;

    // True when the stream is an interactive terminal.
    static bool IsTerminal(std::FILE* stream);
    // Columns of the terminal behind the stream (80 when unknown).
    static int Columns(std::FILE* stream);

private:
    // The iconv name of the terminal's encoding: "UTF-8", "CP932" or "EUC-JP".
    std::string m_strEncoding;
};

}  // namespace corvane
