// The live monitor: the SDL window, the steady clock, the system's local time
// and the keyboard; the space bar or SIGINT/SIGTERM/SIGHUP end it in order.

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "display/monitor_texts.h"
#include "display/screen_display.h"
#include "experiment/experiment_driver.h"
#include "experiment/program.h"
#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/sdl/sdl_back_end.h"
#include "screen_key_source.h"
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

// Only once the study log is closed: the window is gone with its server or was
// destroyed, and closing the screen could only hang.
[[noreturn]] void end_after_display_loss(const char* reason) {
  std::fprintf(stderr, "novabit: %s; the study log is closed\n", reason);
  std::fflush(nullptr);
  std::_Exit(1);
}

}  // namespace

int main() {
  install_stop_handlers();
  novabit::ChannelTable channels(stdout, stderr);
  novabit::Printer printer(channels);
  novabit::EndSteps endSteps;
  novabit::LostConnectionEnd lostConnection(end_after_display_loss);
  const auto backEnd = novabit::make_sdl_back_end(&lostConnection);
  novabit::GraphScreen screen(channels, endSteps, {*backEnd});

  screen.set_window_title(novabit::kWindowTitle);
  screen.set_screen_mode(19, 16, 4, 1, 0);
  if (screen.screen_memory() == nullptr) {
    printer.print_text(0, "Error setting video mode!", novabit::Separator::newline);
    std::fprintf(stderr, "novabit: cannot open the screen: %s\n", screen.display_failure().c_str());
    return 1;
  }

  novabit::SteadySecondsClock clock;
  const novabit::SystemWallClock wallClock;
  novabit::BitSource bits;
  novabit::ScreenDisplay display(screen, printer, wallClock);
  novabit::ScreenKeySource keys(screen, [&] { return stopRequested != 0 || lostConnection.lost(); });
  novabit::ExperimentDriver driver({display, printer, bits, clock, wallClock, keys});
  lostConnection.run_begins();
  const int status = novabit::run_program(driver, channels, stderr);
  lostConnection.files_closed();
  if (screen.display_lost()) end_after_display_loss(screen.display_failure().c_str());
  endSteps.run_all();
  return status;
}
