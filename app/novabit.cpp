// The live monitor: the SDL window, the steady clock, the system's local time,
// the keyboard, the source named on the command line and a key sealed beside
// the study log (or in --seal-dir); the space bar or SIGINT/SIGTERM/SIGHUP end
// it in order. Its messages go to standard error and, unless that is a
// terminal, to novabit-messages.txt beside the study log.

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "clocks/seconds_clock.h"
#include "clocks/wall_clock.h"
#include "monitor/live_options.h"
#include "monitor/message_copy.h"
#include "monitor/monitor.h"
#include "monitor/stop_signals.h"
#include "screen/sdl/lost_connection_end.h"
#include "screen/sdl/sdl_back_end.h"
#include "seal/entropy_sealer.h"
#include "textio/standard_streams.h"

namespace {

// Only once the files are closed, or before any exists: the window is gone with
// its server or was destroyed, and closing the screen could only hang.
[[noreturn]] void end_after_display_loss(std::FILE* messages, const std::string& reason,
                                         const std::string& closedFiles) {
  std::fprintf(messages, "novabit: %s%s\n", reason.c_str(), closedFiles.c_str());
  std::fflush(nullptr);
  std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  const novabit::StopSignals stopSignals;
  novabit::secure_standard_streams();
  const auto parsed = novabit::parse_live_arguments(
      std::span<const char* const>(argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)));
  if (const auto* help = std::get_if<novabit::HelpRequested>(&parsed)) {
    std::fputs(help->text.c_str(), stdout);
    return 0;
  }
  if (const auto* error = std::get_if<novabit::ArgumentError>(&parsed)) {
    std::fprintf(stderr, "novabit: %s\n%s", error->message.c_str(), novabit::live_usage_text().c_str());
    return 2;
  }
  const auto& options = std::get<novabit::LiveOptions>(parsed);
  if (const novabit::Outcome folders = novabit::check_folders(options); !folders) {
    std::fprintf(stderr, "novabit: %s\n", folders.failure().message().c_str());
    return 1;
  }
  const novabit::MessageCopy messageCopy(stderr, options.directory);
  std::FILE* const messages = messageCopy.stream();
  novabit::MonitorSettings settings;
  settings.errors = messages;
  settings.source = options.source;
  settings.trialsRecord = options.trialsRecord;
  settings.station = options.station.station;
  settings.metrics = options.station.metrics;
  settings.metricsWebConfig = options.station.metricsWebConfig;
  settings.driver.logDirectory = options.directory;
  settings.driver.sealDirectory = options.sealDirectory;

  // Set once the files are closed: an end before that names no study log.
  std::atomic<bool> logClosed{false};
  novabit::LostConnectionEnd lostConnection(
      [&logClosed, messages](const char* reason) {
        end_after_display_loss(messages, reason, logClosed ? "; the study log is closed" : "");
      });
  const auto backEnd = novabit::make_sdl_back_end(&lostConnection);
  novabit::SteadySecondsClock clock;
  const novabit::SystemWallClock wallClock;
  novabit::EntropySealer sealer(options.source);
  novabit::Monitor monitor(
      {{*backEnd}, clock, wallClock, sealer, [&] { return stopSignals.requested() || lostConnection.lost(); }},
      settings);
  // A stop before anything is opened: nothing to end but the program.
  if (stopSignals.requested()) return 0;
  if (!monitor.open_screen()) {
    std::fprintf(messages, "novabit: cannot open the screen: %s\n", monitor.screen_failure().c_str());
    return 1;
  }
  lostConnection.run_begins();
  const int status = monitor.run_to_end();
  logClosed = !monitor.closed_files_note().empty();
  lostConnection.files_closed();
  if (monitor.screen()->display_lost()) {
    end_after_display_loss(messages, monitor.screen_failure(), monitor.closed_files_note());
  }
  monitor.close_screen();
  return status;
}
