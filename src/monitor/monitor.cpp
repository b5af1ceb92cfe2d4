#include "monitor/monitor.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "experiment/key_source.h"
#include "monitor/deadline.h"
#include "program/program_version.h"
#include "sources/open_source.h"
#include "view/monitor_texts.h"

namespace novabit {

namespace {

constexpr std::chrono::seconds kScreenCloseLimit{2};

}  // namespace

// The key polls: a stop request, or a display that went away, stops the run;
// otherwise the screen's keys, or none without a screen.
class Monitor::Keys final : public KeySource {
 public:
  Keys(GraphScreen* screen, const std::function<bool()>& stopRequested, const volatile std::sig_atomic_t* stopSignal)
      : screen_(screen), stopRequested_(stopRequested), stopSignal_(stopSignal) {}

  Key read_key() override {
    if ((stopSignal_ != nullptr && *stopSignal_ != 0) || (stopRequested_ && stopRequested_()) ||
        (screen_ != nullptr && screen_->display_lost())) {
      return Key::stop;
    }
    if (screen_ == nullptr) return Key::none;
    const std::string key = screen_->read_key();
    return key.empty() ? Key::none : key == " " ? Key::space : Key::other;
  }

 private:
  GraphScreen* screen_;
  const std::function<bool()>& stopRequested_;
  const volatile std::sig_atomic_t* stopSignal_;
};

// The given sealer, with a clock line it could not add counted as the seal's lost record.
class Monitor::SealWatch final : public KeySealer {
 public:
  SealWatch(KeySealer& sealer, RecordLosses& losses) : sealer_(sealer), losses_(losses) {}

  Result<RandomKey> seal_key(const SealRequest& request) override {
    path_ = request.path;
    return sealer_.seal_key(request);
  }
  Outcome note_first_reading(long double reading) override {
    Outcome noted = sealer_.note_first_reading(reading);
    if (!noted) losses_.records_lost(path_, 1, noted.failure());
    return noted;
  }
  void withdraw() override { sealer_.withdraw(); }
  const std::string& path() const { return path_; }

 private:
  KeySealer& sealer_;
  RecordLosses& losses_;
  std::string path_;
};

// Where the run's files tell the records they lost: counted and told for the
// end, and counted by the metrics by the kind of file.
class Monitor::Losses final : public RecordLosses {
 public:
  explicit Losses(Monitor& monitor) : monitor_(monitor) {}

  void records_lost(const std::string& file, std::int64_t count, const Failure& why) override {
    monitor_.lostRecords_.records_lost(file, count, why);
    count_for_metrics(file, count);
  }
  void file_taken(const std::string& file, std::int64_t count, const std::string& what) override {
    monitor_.lostRecords_.file_taken(file, count, what);
    count_for_metrics(file, count);
  }

 private:
  void count_for_metrics(const std::string& file, std::int64_t count) {
    const std::optional<RecordFile> kind = monitor_.record_file(file);
    if (monitor_.metrics_ && kind) monitor_.metrics_->records_lost(*kind, count);
  }

  Monitor& monitor_;
};

Monitor::Monitor(MonitorDevices devices, MonitorSettings settings)
    : devices_(std::move(devices)),
      settings_(std::move(settings)),
      lostRecords_([this](const std::string& line) { report(line); }),
      losses_(std::make_unique<Losses>(*this)),
      channels_(settings_.console, losses_.get()) {
  channels_.set_durable_writes(settings_.durableWrites);
  if (const Result<std::string> host = host_name(); settings_.station.empty() && host) settings_.station = *host;
  settings_.driver.station = settings_.station;
}

Monitor::~Monitor() = default;

Outcome Monitor::open_screen() {
  if (devices_.backEnds.empty()) return {};
  screen_ = std::make_unique<GraphScreen>(channels_, endSteps_, devices_.backEnds,
                                          GraphScreenOptions{settings_.displayThread, settings_.program});
  screen_->set_window_title(kWindowTitle);
  Outcome opened = screen_->set_screen_mode(19, 16, 4, 1, 0);
  if (!opened) printer_.print_text(0, "Error setting video mode!", Separator::newline);
  return opened;
}

Outcome Monitor::start() {
  // Before anything in the folder is renamed or created.
  if (!settings_.driver.replay && !folderLock_) {
    Result<FolderLock> locked = FolderLock::take(settings_.driver.logDirectory);
    if (!locked) return locked.failure();
    folderLock_.emplace(std::move(*locked));
  }
  keys_ = std::make_unique<Keys>(screen_.get(), devices_.stopRequested, devices_.stopSignal);
  if (settings_.metrics) {
    Result<std::unique_ptr<MetricsFeed>> listening =
        MetricsFeed::listen(*settings_.metrics, settings_.metricsWebConfig);
    if (!listening) return listening.failure();
    metrics_ = std::move(*listening);
  }
  if (Outcome opened = open_source(); !opened) return opened;
  events_ = EventListeners{};
  for (ExperimentEvents* listener : listeners_) events_.add(listener);
  events_.add(metrics_.get(), EventListeners::Hearing::passes);
  skippedSeconds_ = std::make_unique<SkippedSeconds>([this](const std::string& line) { report(line); });
  events_.add(skippedSeconds_.get(), EventListeners::Hearing::passes);
  if (settings_.trialsRecord) {
    trials_ = std::make_unique<TrialsRecord>(channels_, devices_.wallClock);
    events_.add(trials_.get(), EventListeners::Hearing::passes);
  }
  if (screen_ && screen_->is_open()) {
    view_ = std::make_unique<MonitorView>(*screen_, printer_, devices_.wallClock);
    events_.add(view_.get());
  }
  sealWatch_ = std::make_unique<SealWatch>(devices_.sealer, *losses_);
  const ExperimentDevices experimentDevices{
      events_, printer_, bits_, devices_.clock, devices_.wallClock, *keys_, *sealWatch_, watchedSource_.get()};
  driver_ = std::make_unique<ExperimentDriver>(experimentDevices, settings_.driver);
  Outcome started = driver_->start();
  if (started && trials_) started = open_trials_record();
  if (!started) {
    // A refused start leaves the folders as they were.
    channels_.withdraw_all_channels();
    sealWatch_->withdraw();
    return started;
  }
  if (metrics_) {
    const StationIdentity identity{settings_.station, source_text(settings_.source), program_version(),
                                   driver_->key_commitment(), std::time(nullptr)};
    metrics_->begin(identity, kernel_clock());
  }
  return {};
}

Outcome Monitor::open_source() {
  const std::string name = source_text(settings_.source);
  SecondsClock& silenceClock = devices_.silenceClock != nullptr ? *devices_.silenceClock : steadyClock_;
  Result<std::unique_ptr<PassBits>> opened = novabit::open_source(settings_.source, bits_, silenceClock);
  if (!opened) return opened.failure().after("cannot open the source ");
  source_ = std::move(*opened);
  // The lines are spaced on the passes' own clock: real seconds live, virtual ones in a replay.
  watchedSource_ = std::make_unique<WatchedBits>(
      *source_, name,
      WatchReports{[this](const std::string& line) { report(line); },
                   [this]() -> std::int64_t { return driver_ ? driver_->state().secondStart : 0; }});
  return {};
}

Outcome Monitor::open_trials_record() {
  const TrialsHeader header{
      settings_.program + " " + program_version(), settings_.source, driver_->key_commitment(), settings_.station,
      settings_.clockInRawRecord ? clock_state_text(clock_state(kernel_clock().read())) : std::string()};
  if (Outcome opened = trials_->open(trials_path(), header); !opened) {
    return opened.failure().after("cannot create the raw record ");
  }
  return {};
}

std::string Monitor::trials_path() const { return driver_->study_log_name() + ".trials.csv"; }

void Monitor::report(const std::string& problem) const {
  if (settings_.errors == nullptr) return;
  std::fprintf(settings_.errors, "%s: %s\n", settings_.program.c_str(), problem.c_str());
  std::fflush(settings_.errors);
}

RunEnd Monitor::run(std::optional<std::int64_t> maxPasses) {
  const RunEnd end = driver_->run(maxPasses);
  if (end == RunEnd::source_ended && !std::exchange(sourceEnded_, true)) {
    if (metrics_) metrics_->source_ended();
    report("the source " + source_text(settings_.source) + " stopped: " + watchedSource_->end_reason() +
           "; the run ends");
  }
  return end;
}

int Monitor::end_status() {
  channels_.close_all_channels();
  if (watchedSource_) watchedSource_->finish();
  if (const auto lost = lostRecords_.summary()) report(*lost);
  if (const auto skipped = skippedSeconds_ ? skippedSeconds_->summary() : std::nullopt) report(*skipped);
  return lostRecords_.any() || sourceEnded_ ? 1 : 0;
}

void Monitor::close_screen() {
  if (!screen_ || !settings_.displayThread) {
    endSteps_.run_all();
    return;
  }
  const Deadline deadline(kScreenCloseLimit, [this] {
    report("the screen did not close within " + std::to_string(kScreenCloseLimit.count()) + " seconds" +
           closed_files_note());
    std::_Exit(1);
  });
  endSteps_.run_all();
}

std::string Monitor::closed_files_note() const {
  return driver_ && driver_->study_log_created() ? "; the study log is closed" : "";
}

std::optional<RecordFile> Monitor::record_file(const std::string& file) const {
  if (!driver_) return std::nullopt;
  if (file == driver_->study_log_name()) return RecordFile::study_log;
  if (file == trials_path()) return RecordFile::raw_record;
  if (sealWatch_ && file == sealWatch_->path()) return RecordFile::seal;
  return std::nullopt;
}

int Monitor::run_to_end() {
  if (const Outcome started = start(); !started) {
    report(started.failure().message());
    return 1;
  }
  run();
  return end_status();
}

}  // namespace novabit
