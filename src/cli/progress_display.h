// The command line's progress bar and log: on a terminal, log lines scroll above a bar
// that is redrawn in place; elsewhere (a pipe, a file) only the log lines are written.
#pragma once

#include <cstdio>
#include <string>

#include "cli/terminal.h"

namespace corvane {

class CProgressDisplay {
public:
    CProgressDisplay(const CTerminal& terminal, std::FILE* stream);

    // A log line (Shift_JIS).
    void AddLine(const std::string& sjis);
    // Shows the bar at `position` of `upper`; Hide removes it.
    void Show(int position, int upper);
    void Hide();
    // Takes the bar off the screen while something else writes to the terminal, and puts
    // it back afterwards.
    void Suspend() {
        Erase();
        std::fflush(m_pStream);
    }
    void Resume() { Draw(); }

    // The bar's text for a width in columns, e.g. "[#####     ]  5/10".
    static std::string BarText(int position, int upper, int columns);

private:
    void Erase();
    void Draw();

    const CTerminal& m_terminal;
    std::FILE* m_pStream;
    bool m_bTerminal;
    bool m_bVisible = false;
    int m_nPosition = 0;
    int m_nUpper = 0;
};

}  // namespace corvane
