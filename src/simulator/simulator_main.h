#pragma once
// The simulator from its command line to its exit status.

#include <csignal>
#include <cstdio>
#include <span>

namespace novabit {

struct SimulatorStreams {
  std::FILE* output;      // --help and "--bits -"
  std::FILE* errors;      // messages and the progress bar
  bool errorsIsTerminal;  // the progress bar is shown only then
  // The stop signal taken, 0 while none: the run stops at its next look at
  // the keys, with its files holding whole passes. May be null.
  const volatile std::sig_atomic_t* stopRequested = nullptr;
};

// `arguments` without the program name. Exit status: 0 for a complete run,
// a run whose bit reader went away, --help and --version; 1 when the seal
// could not be read, the source could not be opened, a folder, the study log
// or another output could not be written, the source stopped or the run was
// stopped, in one line; 2 for bad arguments, in one line and the usage, with
// nothing written.
int simulator_main(std::span<const char* const> arguments, const SimulatorStreams& streams);

}  // namespace novabit
