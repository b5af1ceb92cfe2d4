#pragma once
// Keys typed on a terminal, for the program without a screen. While it lives,
// a terminal on the descriptor delivers each key at once and without echo;
// the terminal's settings come back when it is destroyed. A background job
// leaves its terminal alone and reads no keys. A raised stop flag
// (set by a signal handler) reads as a space, so a signal ends the run through
// the same orderly end as the space bar.

#include <csignal>
#include <optional>
#include <string>

#include <termios.h>

#include "experiment/key_source.h"

namespace novabit {

class TerminalKeySource final : public KeySource {
 public:
  TerminalKeySource(int descriptor, const volatile std::sig_atomic_t& stopRequested);
  ~TerminalKeySource() override;
  TerminalKeySource(const TerminalKeySource&) = delete;
  TerminalKeySource& operator=(const TerminalKeySource&) = delete;

  std::string read_key() override;

 private:
  int descriptor_;
  const volatile std::sig_atomic_t& stopRequested_;
  std::optional<termios> savedSettings_;  // only when the descriptor is a terminal
};

}  // namespace novabit
