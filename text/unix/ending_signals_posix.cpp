// The signals that ask this process to end, on POSIX systems: recorded by a handler while held, so
// that a child's process group can be killed and a new file removed before the process ends by
// the signal's default action.
#include <signal.h>

#include <csignal>
#include <cstddef>
#include <cstdlib>

#include "text/child_process.h"
#include "text/child_process_platform.h"

namespace vex {

namespace {

// The signals that ask this process to end, which EndingSignalsHeld records.
constexpr int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr size_t EndingSignalCount = sizeof EndingSignals / sizeof EndingSignals[0];

// The last of them that came while held, else 0; written only by RecordSignal and the outermost
// hold's start.
volatile std::sig_atomic_t recordedSignal = 0;

// How many EndingSignalsHeld live, and the actions the outermost one took over (`taken`: not those
// that were ignored, or whose action could not be read or changed).
int holds = 0;
struct sigaction earlierActions[EndingSignalCount];
bool taken[EndingSignalCount];

void RecordSignal(int signal) {
    recordedSignal = signal;
}

// Ends this process by the signal's default action.
[[noreturn]] void EndBy(int signal) {
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    ::sigaction(signal, &byDefault, nullptr);
    sigset_t just;
    sigemptyset(&just);
    sigaddset(&just, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &just, nullptr);
    ::raise(signal);
    std::_Exit(128 + signal);  // as a shell reports a process a signal ended; not reached
}

}  // namespace

int RecordedEndingSignal() {
    return recordedSignal;
}

EndingSignalsHeld::EndingSignalsHeld() {
    if (holds++ != 0) {
        return;
    }
    recordedSignal = 0;
    struct sigaction recording {};
    recording.sa_handler = RecordSignal;  // no SA_RESTART: a wait in poll returns as it comes
    sigemptyset(&recording.sa_mask);
    for (size_t i = 0; i < EndingSignalCount; ++i) {
        taken[i] = ::sigaction(EndingSignals[i], nullptr, &earlierActions[i]) == 0 &&
                   earlierActions[i].sa_handler != SIG_IGN &&
                   ::sigaction(EndingSignals[i], &recording, nullptr) == 0;
    }
}

EndingSignalsHeld::~EndingSignalsHeld() {
    if (--holds != 0) {
        return;
    }
    for (size_t i = 0; i < EndingSignalCount; ++i) {
        if (taken[i]) {
            ::sigaction(EndingSignals[i], &earlierActions[i], nullptr);
        }
    }
    // Read only now: one that comes after the actions are back acts by itself.
    const int signal = recordedSignal;
    if (signal != 0) {
        EndBy(signal);
    }
}

}  // namespace vex
