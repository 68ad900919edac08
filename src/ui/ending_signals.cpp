#include "ui/ending_signals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

namespace corvane::ui {

CEndingSignals::CEndingSignals(QObject* parent) : QObject(parent) {
    if (pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    m_pNotifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &CEndingSignals::OnReadable);
    m_pHandlers = std::make_unique<CEndingSignalHandlers>(m_pipe[1]);
}

CEndingSignals::~CEndingSignals() {
    if (m_pipe[0] < 0) return;
    m_pHandlers.reset();
    m_pNotifier.reset();
    close(m_pipe[0]);
    close(m_pipe[1]);
}

void CEndingSignals::OnReadable() {
    char bytes[16];
    bool any = false;
    while (read(m_pipe[0], bytes, sizeof bytes) > 0) any = true;
    if (any) emit Received();
}

}  // namespace corvane::ui
