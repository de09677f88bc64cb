#include "StopSignals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t caught = 0;

extern "C" void rememberStopSignal(int signal) { caught = signal; }

} // namespace

void catchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = rememberStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

int caughtStopSignal() { return caught; }

void endByCaughtSignal()
{
    const int signal = caught;
    if (signal == 0)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
}
