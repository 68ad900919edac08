// Message boxes on the command line: the text goes to standard error; a question is
// answered by --yes, by the user at a terminal, or else with No.
#pragma once

#include "cli/progress_display.h"
#include "cli/terminal.h"
#include "platform/message_box.h"

namespace corvane {

// Whether a typed answer to a question means Yes: y, yes (any case) or はい. Shift_JIS.
bool IsYes(std::string answer);

class CCliMessageBoxHandler : public CMessageBoxHandler {
public:
    CCliMessageBoxHandler(const CTerminal& terminal, bool answerYes);
    int ShowMessageBox(const std::string& text, const std::string& caption,
                       unsigned flags) override;

    // Log and progress lines on standard error are cleared around a box, when both share
    // the terminal.
    void SetDisplay(CProgressDisplay* display) { m_pDisplay = display; }
    // How many boxes were shown so far (a caller that would repeat a box's message asks).
    int GetShownCount() const { return m_nShown; }

private:
    const CTerminal& m_terminal;
    bool m_bAnswerYes;
    CProgressDisplay* m_pDisplay = nullptr;
    int m_nShown = 0;
};

}  // namespace corvane
