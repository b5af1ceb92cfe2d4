#include "live/live_program.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "clocks/seconds_clock.h"
#include "clocks/wall_clock.h"
#include "live/live_options.h"
#include "live/message_copy.h"
#include "monitor/monitor.h"
#include "screen/sdl/lost_connection_end.h"
#include "screen/sdl/sdl_back_end.h"
#include "seal/entropy_sealer.h"

namespace novabit {

namespace {

// Only once the files are closed, or before any exists: the window is gone with
// its server or was destroyed, and closing the screen could only hang.
[[noreturn]] void end_after_display_loss(std::FILE* messages, const std::string& reason,
                                         const std::string& closedFiles) {
  std::fprintf(messages, "novabit: %s%s\n", reason.c_str(), closedFiles.c_str());
  std::fflush(nullptr);
  std::_Exit(1);
}

MonitorSettings live_settings(const LiveOptions& options, std::FILE* messages) {
  MonitorSettings settings;
  settings.errors = messages;
  settings.source = options.source;
  settings.trialsRecord = options.trialsRecord;
  settings.station = options.station.station;
  settings.metrics = options.station.metrics;
  settings.metricsWebConfig = options.station.metricsWebConfig;
  settings.driver.logDirectory = options.directory;
  settings.driver.sealDirectory = options.sealDirectory;
  settings.clockInRawRecord = true;
  settings.driver.pace = options.pace;
  return settings;
}

}  // namespace

int live_main(std::span<const char* const> arguments, const StopSignals& stopSignals) {
  const CommandLine<LiveOptions> parsed = parse_live_arguments(arguments);
  if (const auto* end = std::get_if<CommandLineEnd>(&parsed))
    return end->tell("novabit", live_usage_text(), stdout, stderr);
  const auto& options = std::get<LiveOptions>(parsed);
  if (const Outcome folders = check_folders(options); !folders) {
    return CommandLineEnd::failure(folders.failure()).tell("novabit", "", stdout, stderr);
  }
  const MessageCopy messageCopy(stderr, options.directory);
  std::FILE* const messages = messageCopy.stream();
  const MonitorSettings settings = live_settings(options, messages);
  // Set once the files are closed: an end before that names no study log.
  std::atomic<bool> logClosed{false};
  LostConnectionEnd lostConnection([&logClosed, messages](const char* reason) {
    end_after_display_loss(messages, reason, logClosed ? "; the study log is closed" : "");
  });
  const auto backEnd = make_sdl_back_end(&lostConnection);
  SteadySecondsClock clock;
  const SystemWallClock wallClock;
  EntropySealer sealer(options.source);
  Monitor monitor(
      {{*backEnd}, clock, wallClock, sealer, [&] { return stopSignals.requested() || lostConnection.lost(); }},
      settings);
  // A signal nobody should send ends the run as a stop does, told and with status 1.
  const auto signalled_end = [&](int status, const std::string& closedFiles) {
    const std::string unexpected = unexpected_signal(*stopSignals.flag());
    if (unexpected.empty()) return status;
    std::fprintf(messages, "novabit: the run ended on %s%s\n", unexpected.c_str(), closedFiles.c_str());
    return 1;
  };
  // A stop before anything is opened: nothing to end but the program.
  if (stopSignals.requested()) return signalled_end(0, "");
  if (const Outcome opened = monitor.open_screen(); !opened) {
    std::fprintf(messages, "novabit: %s\n", opened.failure().after("cannot open the screen: ").message().c_str());
    return 1;
  }
  lostConnection.run_begins();
  const int status = monitor.run_to_end();
  logClosed = !monitor.closed_files_note().empty();
  lostConnection.files_closed();
  if (monitor.screen()->display_lost()) {
    end_after_display_loss(messages, monitor.screen()->loss_reason(), monitor.closed_files_note());
  }
  monitor.close_screen();
  return signalled_end(status, monitor.closed_files_note());
}

}  // namespace novabit
