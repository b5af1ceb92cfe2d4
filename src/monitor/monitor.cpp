#include "monitor/monitor.h"

#include <initializer_list>
#include <string_view>
#include <utility>

#include "display/headless_display.h"
#include "display/monitor_texts.h"
#include "display/screen_display.h"
#include "experiment/key_source.h"
#include "monitor/program_version.h"
#include "sources/open_source.h"

namespace novabit {

// The key polls: a stop request, or a display that went away, reads as the
// space bar; otherwise the screen's keys, or none without a screen.
class Monitor::Keys final : public KeySource {
 public:
  Keys(GraphScreen* screen, const std::function<bool()>& stopRequested)
      : screen_(screen), stopRequested_(stopRequested) {}

  std::string read_key() override {
    if ((stopRequested_ && stopRequested_()) || (screen_ != nullptr && screen_->display_lost())) return " ";
    return screen_ != nullptr ? screen_->read_key() : std::string();
  }

 private:
  GraphScreen* screen_;
  const std::function<bool()>& stopRequested_;
};

Monitor::Monitor(MonitorDevices devices, MonitorSettings settings)
    : devices_(std::move(devices)), settings_(std::move(settings)), channels_(settings_.console, settings_.errors) {
  channels_.set_durable_writes(settings_.durableWrites);
}

Monitor::~Monitor() = default;

bool Monitor::open_screen() {
  if (devices_.backEnds.empty()) return true;
  screen_ = std::make_unique<GraphScreen>(channels_, endSteps_, devices_.backEnds,
                                          GraphScreenOptions{settings_.displayThread, settings_.program});
  screen_->set_window_title(kWindowTitle);
  screen_->set_screen_mode(19, 16, 4, 1, 0);
  if (screen_->screen_memory() != nullptr) return true;
  printer_.print_text(0, "Error setting video mode!", Separator::newline);
  return false;
}

std::string Monitor::screen_failure() { return screen_ ? screen_->display_failure() : std::string(); }

bool Monitor::start() {
  if (screen_ && screen_->is_open()) {
    display_ = std::make_unique<ScreenDisplay>(*screen_, printer_, devices_.wallClock);
  } else {
    display_ = std::make_unique<HeadlessDisplay>();
  }
  MonitorDisplay* shown = display_.get();
  if (settings_.wrapDisplay) {
    wrappedDisplay_ = settings_.wrapDisplay(*display_, screen_.get());
    shown = wrappedDisplay_.get();
  }
  keys_ = std::make_unique<Keys>(screen_.get(), devices_.stopRequested);
  if (!open_source()) return false;
  DriverOptions driverOptions = settings_.driver;
  if (settings_.trialsRecord) {
    trials_ = std::make_unique<TrialsRecord>(channels_, devices_.wallClock, watchedSource_->pass_alarms());
    const std::initializer_list<PassObserver*> observers{driverOptions.observer, trials_.get()};
    observers_ = std::make_unique<PassObservers>(observers);
    driverOptions.observer = observers_.get();
  }
  const ExperimentDevices experimentDevices{*shown,   printer_,        bits_, devices_.clock, devices_.wallClock,
                                            *keys_,   devices_.sealer, watchedSource_.get()};
  driver_ = std::make_unique<ExperimentDriver>(experimentDevices, driverOptions);

  const StartResult result = driver_->start();
  if (result == StartResult::ready) return !trials_ || open_trials_record();
  // The reasons already name their files.
  report(result == StartResult::seal_not_written
             ? "cannot write the seal " + devices_.sealer.failure()
             : "cannot create the study log " + open_problem(driver_->study_log_name()));
  channels_.close_all_channels();
  return false;
}

bool Monitor::open_source() {
  const std::string name = source_text(settings_.source);
  SecondsClock& silenceClock = devices_.silenceClock != nullptr ? *devices_.silenceClock : steadyClock_;
  OpenedSource opened = novabit::open_source(settings_.source, bits_, silenceClock);
  if (!opened.bits) {
    report("cannot open the source " + name + ": " + opened.problem);
    return false;
  }
  source_ = std::move(opened.bits);
  watchedSource_ = std::make_unique<WatchedBits>(*source_, settings_.program, name, settings_.errors);
  return true;
}

bool Monitor::open_trials_record() {
  const std::string path = driver_->study_log_name() + ".trials.csv";
  const TrialsHeader header{settings_.program + " " + program_version(), source_text(settings_.source),
                            driver_->key_commitment()};
  if (trials_->open(path, header) == ResultCode::ok) return true;
  report("cannot create the raw record " + open_problem(path));
  channels_.close_all_channels();
  return false;
}

std::string Monitor::open_problem(const std::string& path) const {
  if (channels_.last_error() == ResultCode::open_refused) return channels_.open_failure();
  return path + ": no free file channel";
}

void Monitor::report(const std::string& problem) const {
  if (settings_.errors == nullptr) return;
  std::fprintf(settings_.errors, "%s: %s\n", settings_.program.c_str(), problem.c_str());
}

RunEnd Monitor::run(std::optional<std::int64_t> maxPasses) {
  const RunEnd end = driver_->run(maxPasses);
  if (end == RunEnd::source_ended && !std::exchange(sourceEnded_, true)) {
    report("the source " + source_text(settings_.source) + " stopped: " + watchedSource_->end_reason() +
           "; the run ends");
  }
  return end;
}

int Monitor::end_status() {
  channels_.close_all_channels();
  return channels_.records_lost() || devices_.sealer.records_lost() || sourceEnded_ ? 1 : 0;
}

int Monitor::run_to_end() {
  if (!start()) return 1;
  run();
  return end_status();
}

}  // namespace novabit
