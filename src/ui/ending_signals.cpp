#include "ui/ending_signals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>

namespace corvane::ui {
namespace {

constexpr int kEndingSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The write end of the live object's pipe; a signal handler may only write to it.
volatile std::sig_atomic_t g_writeFd = -1;

void OnEndingSignal(int signal) {
    const int savedErrno = errno;
    // A second signal ends the program at once.
    std::signal(signal, SIG_DFL);
    const char byte = 1;
    if (g_writeFd >= 0) {
        // A full pipe already holds a byte that wakes the window: nothing is lost.
        [[maybe_unused]] const ssize_t written = write(g_writeFd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

CEndingSignals::CEndingSignals(QObject* parent) : QObject(parent) {
    static_assert(std::size(kEndingSignals) == kSignalCount);
    if (pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    m_pNotifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &CEndingSignals::OnReadable);
    g_writeFd = m_pipe[1];
    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
        sigaction(kEndingSignals[i], &action, &m_previous[i]);
    }
}

CEndingSignals::~CEndingSignals() {
    if (m_pipe[0] < 0) return;
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
        sigaction(kEndingSignals[i], &m_previous[i], nullptr);
    }
    g_writeFd = -1;
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
