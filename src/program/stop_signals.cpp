#include "program/stop_signals.h"

#include <signal.h>
#include <string.h>

namespace novabit {

namespace {

// A signal handler can reach nothing but a flag of the process's own. The
// first signal is kept: the handlers block each other, so none overwrites it.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void note_stop(int signalNumber) {
  if (stopSignal == 0) stopSignal = signalNumber;
}

}  // namespace

StopSignals::StopSignals() {
  stopSignal = 0;
  sigset_t handled;
  sigemptyset(&handled);
  for (const int signalNumber : kSignals) sigaddset(&handled, signalNumber);
  for (const int signalNumber : kSignals) {
    struct sigaction action {};
    action.sa_mask = handled;
    action.sa_flags = SA_RESTART;
    action.sa_handler = note_stop;
    sigaction(signalNumber, &action, nullptr);
  }
  std::signal(SIGXFSZ, SIG_IGN);
  pthread_sigmask(SIG_UNBLOCK, &handled, nullptr);
}

bool StopSignals::requested() const { return stopSignal != 0; }

const volatile std::sig_atomic_t* StopSignals::flag() const { return &stopSignal; }

std::string unexpected_signal(int signalNumber) {
  if (signalNumber == 0 || signalNumber == SIGINT || signalNumber == SIGTERM || signalNumber == SIGHUP) return {};
  const char* const name = sigabbrev_np(signalNumber);
  return (name != nullptr ? "SIG" + std::string(name) : "signal " + std::to_string(signalNumber)) +
         ", a signal it does not expect";
}

}  // namespace novabit
