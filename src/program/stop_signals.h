#pragma once
// The signals that end a run: SIGINT, SIGTERM and SIGHUP as a request to stop,
// and the signals nobody should send a station (SIGUSR1, SIGUSR2, SIGALRM,
// SIGVTALRM, SIGPROF, SIGXCPU, SIGIO, SIGPWR, SIGSTKFLT), whose default would
// end it without a word, as a stop that is told. The handlers only note the
// first signal, which the programs read at their next look. Installed first
// thing in main, they stay until the process exits, so that no number of
// signals, at any moment, ends it by the signal instead of in order. They are
// installed with SA_RESTART, so that no system call fails with EINTR because
// of them: a stop never looks like a failed write. SIGXFSZ is ignored: a limit
// on the size of files makes a write fail with EFBIG, which the writer
// reports like a full disk, instead of killing the process mid-record.

#include <array>
#include <csignal>
#include <string>

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
  // The first stop signal taken, 0 while none; for code that must not depend on this class.
  const volatile std::sig_atomic_t* flag() const;

 private:
  static constexpr std::array kSignals = {SIGINT,    SIGTERM, SIGHUP,  SIGUSR1, SIGUSR2, SIGALRM,
                                          SIGVTALRM, SIGPROF, SIGXCPU, SIGIO,   SIGPWR,  SIGSTKFLT};
};

// "SIGUSR1, a signal it does not expect" for a stop signal that should not
// reach the program, for the line that tells the end; empty for one that asks
// for a stop (SIGINT, SIGTERM, SIGHUP), which ends a run without a word, and for none.
std::string unexpected_signal(int signalNumber);

}  // namespace novabit
