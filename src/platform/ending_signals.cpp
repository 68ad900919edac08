#include "platform/ending_signals.h"

#include <cerrno>
#include <iterator>

#include <unistd.h>

namespace corvane {
namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};
static_assert(std::size(kEndingSignals) == CEndingSignalHandlers::kSignalCount);

// A signal handler may only touch these.
volatile std::sig_atomic_t g_received = 0;
volatile std::sig_atomic_t g_wakeFd = -1;

void OnEndingSignal(int signal) {
    const int savedErrno = errno;
    g_received = 1;
    // A second one ends the program at once.
    std::signal(signal, SIG_DFL);
    if (g_wakeFd >= 0) {
        // A full pipe already holds a byte that wakes the loop: nothing is lost.
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = write(g_wakeFd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

CEndingSignalHandlers::CEndingSignalHandlers(int wakeFd) {
    g_wakeFd = wakeFd;
    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
        sigaction(kEndingSignals[i], &action, &m_previous[i]);
    }
}

CEndingSignalHandlers::~CEndingSignalHandlers() {
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
        sigaction(kEndingSignals[i], &m_previous[i], nullptr);
    }
    g_wakeFd = -1;
}

bool CEndingSignalHandlers::Received() { return g_received != 0; }

void CEndingSignalHandlers::Reset() { g_received = 0; }

}  // namespace corvane
