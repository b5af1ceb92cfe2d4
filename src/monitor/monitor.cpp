#include "monitor/monitor.h"

#include <initializer_list>
#include <string_view>
#include <utility>

#include "display/monitor_texts.h"
#include "experiment/key_source.h"
#include "monitor/program_version.h"
#include "sources/open_source.h"

namespace novabit {

// The key polls: a stop request, or a display that went away, stops the run;
// otherwise the screen's keys, or none without a screen.
class Monitor::Keys final : public KeySource {
 public:
  Keys(GraphScreen* screen, const std::function<bool()>& stopRequested)
      : screen_(screen), stopRequested_(stopRequested) {}

  Key read_key() override {
    if ((stopRequested_ && stopRequested_()) || (screen_ != nullptr && screen_->display_lost())) return Key::stop;
    if (screen_ == nullptr) return Key::none;
    const std::string key = screen_->read_key();
    return key.empty() ? Key::none : key == " " ? Key::space : Key::other;
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
  keys_ = std::make_unique<Keys>(screen_.get(), devices_.stopRequested);
  if (!open_source()) return false;
  events_ = EventListeners{};
  for (ExperimentEvents* listener : listeners_) events_.add(listener);
  if (settings_.trialsRecord) {
    trials_ = std::make_unique<TrialsRecord>(channels_, devices_.wallClock, watchedSource_->pass_alarms());
    events_.add(trials_.get());
  }
  if (screen_ && screen_->is_open()) {
    display_ = std::make_unique<ScreenDisplay>(*screen_, printer_, devices_.wallClock);
    events_.add(display_.get());
  }
  const ExperimentDevices experimentDevices{events_, printer_,        bits_, devices_.clock, devices_.wallClock,
                                            *keys_,  devices_.sealer, watchedSource_.get()};
  driver_ = std::make_unique<ExperimentDriver>(experimentDevices, settings_.driver);
  if (const Outcome started = driver_->start(); !started) {
    report(started.failure().message());
    channels_.close_all_channels();
    return false;
  }
  return !trials_ || open_trials_record();
}

bool Monitor::open_source() {
  const std::string name = source_text(settings_.source);
  SecondsClock& silenceClock = devices_.silenceClock != nullptr ? *devices_.silenceClock : steadyClock_;
  Result<std::unique_ptr<PassBits>> opened = novabit::open_source(settings_.source, bits_, silenceClock);
  if (!opened) {
    report(opened.failure().after("cannot open the source ").message());
    return false;
  }
  source_ = std::move(*opened);
  watchedSource_ = std::make_unique<WatchedBits>(*source_, settings_.program, name, settings_.errors);
  return true;
}

bool Monitor::open_trials_record() {
  const std::string path = driver_->study_log_name() + ".trials.csv";
  const TrialsHeader header{settings_.program + " " + program_version(), settings_.source, driver_->key_commitment()};
  if (const Outcome opened = trials_->open(path, header); !opened) {
    report(opened.failure().after("cannot create the raw record ").message());
    channels_.close_all_channels();
    return false;
  }
  return true;
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
