#include "platform/StopSignal.h"

#include <atomic>

namespace fw {

namespace {

// Written by the handler, so it must be a plain lock-free store.
std::atomic<int> caughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);
int depth = 0;  // catchers alive; only the outermost installs and restores handlers

// The first signal is the one that stopped the work; a second one changes nothing.
extern "C" void onStopSignal(int signal) {
    int none = 0;
    caughtSignal.compare_exchange_strong(none, signal);
}

}  // namespace

StopSignal::StopSignal() {
    if (depth++ > 0) return;
    caughtSignal = 0;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    // Writes in progress (a frame to disk, a message to a pipe) go on rather than fail.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInterrupt_);
    sigaction(SIGTERM, &action, &oldTerminate_);
}

StopSignal::~StopSignal() {
    if (--depth > 0) return;
    sigaction(SIGINT, &oldInterrupt_, nullptr);
    sigaction(SIGTERM, &oldTerminate_, nullptr);
}

int StopSignal::caught() { return caughtSignal.load(); }

const char* StopSignal::name(int signal) {
    switch (signal) {
        case SIGINT: return "SIGINT";
        case SIGTERM: return "SIGTERM";
        default: return "a signal";
    }
}

}  // namespace fw
