#pragma once
// SIGINT, SIGTERM and SIGHUP as a request to stop: the handlers only raise a
// flag, which the programs read at their next look. Installed first thing in
// main, they stay until the process exits, so that no number of signals, at
// any moment, ends it by the signal instead of in order. They are installed
// with SA_RESTART, so that no system call fails with EINTR because of them:
// a stop never looks like a failed write.

#include <array>
#include <csignal>

namespace novabit {

class StopSignals {
 public:
  // Installs the handlers for the rest of the process, with the flag down, and
  // unblocks the signals: one that arrived before, blocked by whoever started
  // the program, is taken now.
  StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  bool requested() const;
  // The flag itself, for code that must not depend on this class.
  const volatile std::sig_atomic_t* flag() const;

 private:
  static constexpr std::array kSignals = {SIGINT, SIGTERM, SIGHUP};
};

}  // namespace novabit
