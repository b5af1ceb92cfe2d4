#include "monitor/stop_signals.h"

namespace novabit {

namespace {

// A signal handler can reach nothing but a flag of the process's own.
volatile std::sig_atomic_t stopRequested = 0;

extern "C" void request_stop(int) { stopRequested = 1; }

}  // namespace

StopSignals::StopSignals(bool ignoreBrokenPipe) {
  stopRequested = 0;
  for (std::size_t index = 0; index < kSignals.size(); ++index) {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    action.sa_handler = kSignals[index] != SIGPIPE ? request_stop : ignoreBrokenPipe ? SIG_IGN : SIG_DFL;
    sigaction(kSignals[index], &action, &previous_[index]);
  }
}

StopSignals::~StopSignals() {
  for (std::size_t index = 0; index < kSignals.size(); ++index) sigaction(kSignals[index], &previous_[index], nullptr);
}

bool StopSignals::requested() const { return stopRequested != 0; }

const volatile std::sig_atomic_t* StopSignals::flag() const { return &stopRequested; }

}  // namespace novabit
