// The desktop program's message boxes: the core's ShowMessageBox requests (Windows button
// sets, icons and default buttons) shown as QMessageBox, texts converted from Shift_JIS.
#pragma once

#include <QMessageBox>
#include <functional>

#include "platform/message_box.h"

class QWidget;

namespace corvane::ui {

class CQtMessageBoxHandler : public CMessageBoxHandler {
public:
    // `parent` (may be null) owns the boxes, so they stay above the main window.
    explicit CQtMessageBoxHandler(QWidget* parent = nullptr) : m_pParent(parent) {}
    void SetParent(QWidget* parent) { m_pParent = parent; }

    int ShowMessageBox(const std::string& text, const std::string& caption,
                       unsigned flags) override;

    // Sets up the box for these flags without showing it (also what a test inspects).
    static void Prepare(QMessageBox& box, unsigned flags);
    // The Windows answer for the button the user pressed; IDCANCEL for a closed box.
    static int AnswerOf(const QMessageBox& box, QAbstractButton* clicked);

    // Called with each box just before it runs; a test closes the box from here.
    void SetOnShow(std::function<void(QMessageBox&)> onShow) { m_fnOnShow = std::move(onShow); }

private:
    QWidget* m_pParent;
    std::function<void(QMessageBox&)> m_fnOnShow;
};

}  // namespace corvane::ui
