// The simulator: the monitor's experiment on a virtual clock, headless and as
// fast as it runs. SIGINT and SIGTERM stop it after the passes under way with
// its files complete; a closed pipe on standard output ends it quietly.

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <span>

#include "simulator/simulator_main.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void request_stop(int) { stopRequested = 1; }

void install_signal_handlers() {
  struct sigaction action {};
  action.sa_handler = request_stop;
  sigemptyset(&action.sa_mask);
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaction(signalNumber, &action, nullptr);
  // A reader that goes away shows as EPIPE on the write instead.
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
  install_signal_handlers();
  const std::span<const char* const> arguments(argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0));
  return novabit::simulator_main(arguments, {stdout, stderr, isatty(STDERR_FILENO) != 0, &stopRequested});
}
