// The log window's text box: read-only, several lines, keeping only the newest lines so that
// a long crawl leaves it small; appending scrolls to the end without flicker.
#pragma once

#include <QPlainTextEdit>

namespace corvane::ui {

class CLogEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int kLineLimit = 256;

    explicit CLogEdit(QWidget* parent = nullptr);

    // Appends the text at the end (a line feed in it starts a new line), drops the oldest
    // lines beyond the limit and scrolls to the end.
    void AppendText(const QString& text);
    // Removes the oldest lines while the box holds more than the limit. The count includes
    // the empty line after a final line feed. A negative limit keeps everything.
    void TrimLines();
    // Removes line `line` with its line end.
    void DeleteLine(int line);

    int GetLineLimit() const { return m_nLineLimit; }
    void SetLineLimit(int limit) { m_nLineLimit = limit; }
    int GetLineCount() const;
    QString GetLine(int line) const;

private:
    int m_nLineLimit = kLineLimit;
};

}  // namespace corvane::ui
