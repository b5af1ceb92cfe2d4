// The live monitor: the SDL window, the steady clock, the system's local time,
// the keyboard, the source named on the command line and a key sealed beside
// the study log; the space bar or SIGINT/SIGTERM/SIGHUP end it in order.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <thread>

#include "experiment/key_sealer.h"
#include "monitor/live_options.h"
#include "monitor/monitor.h"
#include "monitor/stop_signals.h"
#include "screen/sdl/sdl_back_end.h"
#include "textio/seconds_clock.h"
#include "textio/wall_clock.h"

namespace {

std::atomic<bool> xlibLost{false};

// Xlib is about to end the process because the X server went away. Give the
// program's thread, which sees the flag at its next key poll, time to close
// the study log; it then ends the process itself.
void on_display_lost() {
  xlibLost = true;
  std::this_thread::sleep_for(std::chrono::seconds(5));
}

}  // namespace

int main(int argc, char** argv) {
  const auto parsed = novabit::parse_live_arguments(
      std::span<const char* const>(argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)));
  if (const auto* help = std::get_if<novabit::HelpRequested>(&parsed)) {
    std::fputs(help->text.c_str(), stdout);
    return 0;
  }
  if (const auto* error = std::get_if<novabit::ArgumentError>(&parsed)) {
    std::fprintf(stderr, "novabit: %s\n%s", error->message.c_str(), novabit::live_usage_text());
    return 2;
  }
  const auto& options = std::get<novabit::LiveOptions>(parsed);
  novabit::MonitorSettings settings;
  settings.source = options.source;
  settings.trialsRecord = options.trialsRecord;

  const novabit::StopSignals stopSignals(false);
  const auto backEnd = novabit::make_sdl_back_end(on_display_lost);
  novabit::SteadySecondsClock clock;
  const novabit::SystemWallClock wallClock;
  novabit::EntropySealer sealer(novabit::source_text(options.source), stderr);
  novabit::Monitor monitor({{*backEnd}, clock, wallClock, sealer, [&] { return stopSignals.requested() || xlibLost; }},
                           settings);
  if (!monitor.open_screen()) {
    std::fprintf(stderr, "novabit: cannot open the screen: %s\n", monitor.screen_failure().c_str());
    return 1;
  }
  const int status = monitor.run_to_end();
  if (monitor.screen()->display_lost() || xlibLost) {
    // The window is gone with its server; closing it could only hang.
    std::fprintf(stderr, "novabit: the display was lost; the study log is closed\n");
    std::fflush(nullptr);
    std::_Exit(1);
  }
  monitor.close_screen();
  return status;
}
