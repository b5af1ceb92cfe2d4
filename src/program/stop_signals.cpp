#include "program/stop_signals.h"

#include <signal.h>

namespace novabit {

namespace {

// A signal handler can reach nothing but a flag of the process's own.
volatile std::sig_atomic_t stopRequested = 0;

extern "C" void request_stop(int) { stopRequested = 1; }

}  // namespace

StopSignals::StopSignals() {
  stopRequested = 0;
  sigset_t blocked;
  sigemptyset(&blocked);
  for (const int signalNumber : kSignals) {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    action.sa_handler = request_stop;
    sigaction(signalNumber, &action, nullptr);
    sigaddset(&blocked, signalNumber);
  }
  pthread_sigmask(SIG_UNBLOCK, &blocked, nullptr);
}

bool StopSignals::requested() const { return stopRequested != 0; }

const volatile std::sig_atomic_t* StopSignals::flag() const { return &stopRequested; }

}  // namespace novabit
