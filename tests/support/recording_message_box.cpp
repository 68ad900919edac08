#include "support/recording_message_box.h"

namespace corvane::test {

RecordingMessageBox::RecordingMessageBox() : m_pPrevious(SetMessageBoxHandler(this)) {}

RecordingMessageBox::~RecordingMessageBox() { SetMessageBoxHandler(m_pPrevious); }

int RecordingMessageBox::ShowMessageBox(const std::string& text, const std::string& caption,
                                        unsigned flags) {
    m_boxes.push_back({text, caption, flags});
    if (m_answers.empty()) return DefaultAnswer(flags);
    int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

}  // namespace corvane::test
