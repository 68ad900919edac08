// SIGTERM (a session ending, kill), SIGHUP and SIGINT as a Qt signal: the window ends a
// build the way ダウンロード中止 does and closes, instead of dying with a half-written file.
#pragma once

#include <QObject>
#include <memory>

#include "platform/ending_signals.h"

class QSocketNotifier;

namespace corvane::ui {

class CEndingSignals : public QObject {
    Q_OBJECT
public:
    // Routes the ending signals to Received while it lives; one object at a time. After the
    // first signal a second one ends the program at once, as the system would.
    explicit CEndingSignals(QObject* parent = nullptr);
    ~CEndingSignals() override;
    CEndingSignals(const CEndingSignals&) = delete;
    CEndingSignals& operator=(const CEndingSignals&) = delete;

signals:
    // Emitted on the thread that made this object, from its event loop.
    void Received();

private:
    void OnReadable();

    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_pNotifier;
    std::unique_ptr<CEndingSignalHandlers> m_pHandlers;
};

}  // namespace corvane::ui
