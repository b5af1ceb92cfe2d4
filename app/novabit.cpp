// The live monitor: see live/live_program.h.

#include <span>

#include "base/standard_streams.h"
#include "live/live_program.h"
#include "program/stop_signals.h"

int main(int argc, char** argv) {
  const novabit::StopSignals stopSignals;
  novabit::secure_standard_streams();
  return novabit::live_main(std::span<const char* const>(argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)),
                            stopSignals);
}
