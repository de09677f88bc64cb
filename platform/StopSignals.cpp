#include "platform/StopSignals.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t caught = 0;

// Only an assignment to a sig_atomic_t is safe in a handler.
extern "C" void rememberStopSignal(int signal) { caught = signal; }

} // namespace

void catchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = rememberStopSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        // A signal ignored by whoever started the game (nohup, a background
        // job of a shell) stays ignored, as the starter meant.
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
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
