#include "experiment/terminal_key_source.h"

#include <unistd.h>

namespace novabit {

TerminalKeySource::TerminalKeySource(int descriptor, const volatile std::sig_atomic_t& stopRequested)
    : descriptor_(descriptor), stopRequested_(stopRequested) {
  termios settings{};
  if (!isatty(descriptor_) || tcgetattr(descriptor_, &settings) != 0) return;
  // A background job that changed or read its terminal would be stopped by
  // SIGTTOU or SIGTTIN; it goes without keys and ends by a signal instead.
  const pid_t foreground = tcgetpgrp(descriptor_);
  if (foreground != -1 && foreground != getpgrp()) return;
  savedSettings_ = settings;
  // Non-canonical with VMIN and VTIME 0: a read returns at once, with a key or
  // with nothing, without changing the descriptor's shared file flags.
  settings.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  if (tcsetattr(descriptor_, TCSANOW, &settings) != 0) savedSettings_.reset();
}

TerminalKeySource::~TerminalKeySource() {
  if (savedSettings_) tcsetattr(descriptor_, TCSANOW, &*savedSettings_);
}

std::string TerminalKeySource::read_key() {
  if (stopRequested_ != 0) return " ";
  if (!savedSettings_) return {};
  char key = 0;
  if (read(descriptor_, &key, 1) != 1) return {};
  return std::string(1, key);
}

}  // namespace novabit
