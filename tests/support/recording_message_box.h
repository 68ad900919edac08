// A message-box handler for tests: records every box and answers from a queue (or with the
// box's default button), and is installed for the lifetime of the object.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace corvane::test {

class RecordingMessageBox : public CMessageBoxHandler {
public:
    struct Box {
        std::string text;
        std::string caption;
        unsigned flags;
    };

    RecordingMessageBox();
    ~RecordingMessageBox() override;
    RecordingMessageBox(const RecordingMessageBox&) = delete;
    RecordingMessageBox& operator=(const RecordingMessageBox&) = delete;

    int ShowMessageBox(const std::string& text, const std::string& caption,
                       unsigned flags) override;

    // Answers for the next boxes, in order; when none is left the default button answers.
    void QueueAnswer(int answer) { m_answers.push_back(answer); }
    const std::vector<Box>& boxes() const { return m_boxes; }

private:
    CMessageBoxHandler* m_pPrevious;
    std::vector<Box> m_boxes;
    std::deque<int> m_answers;
};

}  // namespace corvane::test
