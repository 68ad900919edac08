#include "cli/cli_message_box.h"
#include "platform/sjis_text.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace corvane {
namespace {

constinit CSjisText kYes{"はい"};
constinit CSjisText kNo{"いいえ"};
constinit CSjisText kYesHint{"（--yes を付けると「はい」と答えます）"};

bool IsQuestion(unsigned flags) {
    unsigned type = flags & MB_TYPEMASK;
    return type == MB_YESNO || type == MB_YESNOCANCEL;
}

}  // namespace

CCliMessageBoxHandler::CCliMessageBoxHandler(const CTerminal& terminal, bool answerYes)
    : m_terminal(terminal), m_bAnswerYes(answerYes) {}

int CCliMessageBoxHandler::ShowMessageBox(const std::string& text, const std::string& caption,
                                          unsigned flags) {
    if (m_pDisplay) m_pDisplay->Suspend();
    std::string shown = caption.empty() || caption == "Corvane" ? text : caption + ": " + text;
    while (!shown.empty() && shown.back() == '\n') shown.pop_back();
    m_terminal.PrintLine(stderr, shown);
    int answer = IDOK;
    if (IsQuestion(flags)) {
        if (m_bAnswerYes) {
            m_terminal.PrintLine(stderr, std::string("> ") + kYes);
            answer = IDYES;
        } else if (isatty(0) == 1 && CTerminal::IsTerminal(stderr)) {
            std::fputs(" [y/N] ", stderr);
            std::fflush(stderr);
            std::string line;
            std::getline(std::cin, line);
            answer = (line == "y" || line == "Y" || line == "yes") ? IDYES : IDNO;
        } else {
            m_terminal.PrintLine(stderr, std::string("> ") + kNo + " " + kYesHint);
            answer = IDNO;
        }
    } else if ((flags & MB_TYPEMASK) != MB_OK) {
        answer = DefaultAnswer(flags);
    }
    if (m_pDisplay) m_pDisplay->Resume();
    return answer;
}

}  // namespace corvane
