#include "ui/log_edit.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "ui/ui_text.h"

namespace corvane::ui {

CLogEdit::CLogEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setFont(UiFont());
    setObjectName(QStringLiteral("logEdit"));
}

int CLogEdit::GetLineCount() const { return document()->blockCount(); }

QString CLogEdit::GetLine(int line) const { return document()->findBlockByNumber(line).text(); }

void CLogEdit::AppendText(const QString& text) {
    // One edit with repainting off: a long crawl does not flicker.
    setUpdatesEnabled(false);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    // Windows line ends in a message count as one line end, like a lone line feed.
    QString normalized = text;
    normalized.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    cursor.insertText(normalized);
    TrimLines();
    setTextCursor(cursor);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    setUpdatesEnabled(true);
}

void CLogEdit::TrimLines() {
    if (m_nLineLimit < 0) return;
    const int excess = GetLineCount() - m_nLineLimit;
    if (excess <= 0) return;
    // The oldest lines go in one deletion: from the start to the start of the first kept line.
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::Start);
    cursor.setPosition(document()->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void CLogEdit::DeleteLine(int line) {
    QTextBlock block = document()->findBlockByNumber(line);
    if (!block.isValid()) return;
    QTextCursor cursor(block);
    QTextBlock next = block.next();
    if (next.isValid()) {
        cursor.setPosition(next.position(), QTextCursor::KeepAnchor);
    } else {
        // The last line: its text, and the line end before it when there is one.
        if (block.previous().isValid()) {
            cursor.setPosition(block.position() - 1);
        }
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
}

}  // namespace corvane::ui
