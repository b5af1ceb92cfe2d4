// The simulator: the monitor's experiment on a virtual clock, headless and as
// fast as it runs. SIGINT, SIGTERM and SIGHUP stop it at its next look at the
// keys, however slowly its source delivers, with its files holding whole
// passes; a closed pipe on standard output ends it quietly.

#include <unistd.h>

#include <cstdio>
#include <span>

#include "base/standard_streams.h"
#include "program/stop_signals.h"
#include "simulator/simulator_main.h"

int main(int argc, char** argv) {
  const novabit::StopSignals stopSignals;
  novabit::secure_standard_streams();
  const std::span<const char* const> arguments(argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0));
  return novabit::simulator_main(arguments, {stdout, stderr, isatty(STDERR_FILENO) != 0, stopSignals.flag()});
}
