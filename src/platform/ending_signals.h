// Ctrl-C (SIGINT), SIGTERM (a service manager, kill, a session that ends) and SIGHUP (the
// terminal went away) end a build alike: while handlers of this kind are installed a signal
// only marks that it came, and wakes a waiting event loop, so that the program stops its work
// and the output folder keeps what it had. A second one ends the program at once.
#pragma once

#include <csignal>

namespace corvane {

class CEndingSignalHandlers {
public:
    static constexpr int kSignalCount = 3;

    // Installs the handlers, one set at a time; `wakeFd` (a pipe's write end, or -1) gets a
    // byte for each signal. The destructor puts the previous handlers back.
    explicit CEndingSignalHandlers(int wakeFd = -1);
    ~CEndingSignalHandlers();
    CEndingSignalHandlers(const CEndingSignalHandlers&) = delete;
    CEndingSignalHandlers& operator=(const CEndingSignalHandlers&) = delete;

    // Whether an ending signal came since the last Reset, while handlers were installed.
    static bool Received();
    static void Reset();

private:
    struct sigaction m_previous[kSignalCount] {};
};

}  // namespace corvane
