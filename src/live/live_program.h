#pragma once
// The live monitor from its command line to its exit status: the SDL window,
// the steady clock, the system's local time, the keyboard, the source named
// on the command line and a key sealed beside the study log (or in
// --seal-dir); the space bar or a stop signal ends it in order. Its messages
// go to standard error and, unless that is a terminal, to
// novabit-messages.txt beside the study log.

#include <span>

#include "program/stop_signals.h"

namespace novabit {

// `arguments` without the program name; `stopSignals` installed first thing in main.
int live_main(std::span<const char* const> arguments, const StopSignals& stopSignals);

}  // namespace novabit
