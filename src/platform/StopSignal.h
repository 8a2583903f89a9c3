#pragma once
// Ctrl-C (SIGINT) and SIGTERM during a long render: while a StopSignal lives they no
// longer end the process at once but ask the work in hand to stop, which polls
// caught() after each row or frame and keeps what it finished.

#include <signal.h>

namespace fw {

class StopSignal {
public:
    // Catches both signals from now on; forgets a signal an earlier catcher caught.
    // One made while another lives (a render inside a run of renders) shares it: the
    // signal caught stays caught until the outermost one ends.
    StopSignal();
    // Puts back the handlers it found.
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    // The first signal caught, 0 while none; safe from any thread.
    static int caught();
    // "SIGINT", "SIGTERM".
    static const char* name(int signal);
    // The status a shell reports for a process the signal ended.
    static int exitStatus(int signal) { return 128 + signal; }

private:
    struct sigaction oldInterrupt_ {};
    struct sigaction oldTerminate_ {};
};

}  // namespace fw
