#pragma once
// SIGINT, SIGTERM and SIGHUP as a request to stop: the handlers only raise a
// flag, which the programs read at their next look. They are installed with
// SA_RESTART, so that no system call fails with EINTR because of them: a
// stop never looks like a failed write.

#include <array>
#include <csignal>

namespace novabit {

class StopSignals {
 public:
  // Installs the handlers, with the flag down; with `ignoreBrokenPipe` a
  // reader that goes away shows as EPIPE on the write instead of SIGPIPE.
  explicit StopSignals(bool ignoreBrokenPipe);
  // Puts the earlier handlers back.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  bool requested() const;
  // The flag itself, for code that must not depend on this class.
  const volatile std::sig_atomic_t* flag() const;

 private:
  static constexpr std::array kSignals = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
  std::array<struct sigaction, kSignals.size()> previous_{};
};

}  // namespace novabit
