#include "cli/cli_message_box.h"
#include "platform/sjis_text.h"

#include <unistd.h>

#include <cstdio>

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

bool IsYes(std::string answer) {
    // Blanks around the answer, as typed, do not count.
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!answer.empty() && blank(answer.back())) answer.pop_back();
    std::size_t start = 0;
    while (start < answer.size() && blank(answer[start])) ++start;
    answer.erase(0, start);
    if (answer == kYes.str()) return true;
    // Only now: a Shift_JIS trail byte may look like an ASCII letter.
    for (char& c : answer) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return answer == "y" || answer == "yes";
}

CCliMessageBoxHandler::CCliMessageBoxHandler(const CTerminal& terminal, bool answerYes)
    : m_terminal(terminal), m_bAnswerYes(answerYes) {}

int CCliMessageBoxHandler::ShowMessageBox(const std::string& text, const std::string& caption,
                                          unsigned flags) {
    ++m_nShown;
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
            std::fputs(m_terminal.ToTerminal(" [y/N, " + kYes + "/" + kNo + "] ").c_str(), stderr);
            std::fflush(stderr);
            std::string line;
            m_terminal.ReadLine(line);
            answer = IsYes(line) ? IDYES : IDNO;
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
