// The monitor without a screen: one pass per second on the console, the study
// log in the working directory, the space bar or SIGINT/SIGTERM/SIGHUP to end.

#include <csignal>
#include <cstdio>

#include <unistd.h>

#include "display/console_display.h"
#include "experiment/experiment_driver.h"
#include "experiment/program.h"
#include "experiment/terminal_key_source.h"
#include "textio/bit_source.h"
#include "textio/channels.h"
#include "textio/printer.h"
#include "textio/seconds_clock.h"
#include "textio/wall_clock.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void request_stop(int) { stopRequested = 1; }

void install_stop_handlers() {
  struct sigaction action {};
  action.sa_handler = request_stop;
  sigemptyset(&action.sa_mask);
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaction(signalNumber, &action, nullptr);
}

}  // namespace

int main() {
  install_stop_handlers();
  novabit::ChannelTable channels(stdout, stderr);
  novabit::Printer printer(channels);
  novabit::SteadySecondsClock clock;
  const novabit::SystemWallClock wallClock;
  novabit::BitSource bits;
  novabit::ConsoleDisplay display(printer, wallClock);
  novabit::TerminalKeySource keys(STDIN_FILENO, stopRequested);
  novabit::ExperimentDriver driver({display, printer, bits, clock, wallClock, keys});
  return novabit::run_program(driver, channels, stderr);
}
