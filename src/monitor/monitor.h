#pragma once
// The experiment assembled from its devices: the file channels and printer,
// the screen on the given back ends (or none), what is drawn on it, the keyed
// bits and the source of each pass's bits under its health tests, the clocks,
// the keyboard, the key's seal and the raw record. The one wiring of the live
// program, the simulator and the tests.

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/folder_lock.h"
#include "clocks/kernel_clock.h"
#include "clocks/seconds_clock.h"
#include "clocks/wall_clock.h"
#include "experiment/experiment_driver.h"
#include "experiment/experiment_events.h"
#include "experiment/key_sealer.h"
#include "experiment/pass_bits.h"
#include "keystream/keyed_generator.h"
#include "monitor/lost_records.h"
#include "monitor/metrics_feed.h"
#include "monitor/skipped_seconds.h"
#include "monitor/trials_record.h"
#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "sources/source_spec.h"
#include "sources/watched_bits.h"
#include "textio/channels.h"
#include "textio/printer.h"
#include "view/monitor_view.h"

namespace novabit {

struct MonitorDevices {
  // Tried in this order to show the screen; none: no screen, nothing drawn.
  DisplayThread::BackEnds backEnds;
  SecondsClock& clock;
  const WallClock& wallClock;
  KeySealer& sealer;
  // Read at every key poll: a stop request ends the run the same orderly way
  // as the space bar. May be empty.
  std::function<bool()> stopRequested;
  // Measures how long a physical source has been silent while a pass waits
  // for it; null: the steady clock. Real time even where the passes run on a
  // virtual clock, since a device delivers in real time.
  SecondsClock* silenceClock = nullptr;
  // A stop signal's flag (nonzero: stop), read at every key poll as
  // stopRequested is, at the cost of one load; may be null.
  const volatile std::sig_atomic_t* stopSignal = nullptr;
  // What the kernel says of the system clock; null: the kernel itself (adjtimex).
  const KernelClock* kernelClock = nullptr;
};

struct MonitorSettings {
  std::string program = "novabit";  // starts every line of its messages
  std::FILE* console = stdout;      // channel 0 while no screen is attached
  std::FILE* errors = stderr;
  // Without it the screen is updated only by GraphScreen::tick().
  bool displayThread = true;
  // Off: records are not synced one by one (the simulator's files are
  // complete when it ends).
  bool durableWrites = true;
  DriverOptions driver;
  // Where each pass's 200 bits come from.
  SourceSpec source{};
  // The raw per-second record beside the study log (NAME.trials.csv).
  bool trialsRecord = false;
  // Names the station in the raw record and the metrics.
  std::string station;
  // Where the metrics are served; none: not at all.
  std::optional<ListenAddress> metrics;
  // The web configuration file of the metrics server (TLS and passwords); empty: none.
  std::string metricsWebConfig{};
  // The system clock's state as the run begins in the raw record's head: on
  // where the records' stamps are that clock's, not a virtual one's. The
  // metrics always serve it, since Prometheus's times are that clock's.
  bool clockInRawRecord = false;
};

class Monitor {
 public:
  Monitor(MonitorDevices devices, MonitorSettings settings);
  ~Monitor();
  Monitor(const Monitor&) = delete;
  Monitor& operator=(const Monitor&) = delete;

  // Sets the window title and opens the screen. When no screen opens, prints
  // "Error setting video mode!" on the console and fails with the display's
  // reason. Without back ends there is nothing to open.
  Outcome open_screen();

  // Tells `listener` what the run does, before the screen shows it (so that
  // it may keep the screen just before a cycle's redraw). Before start().
  void add_listener(ExperimentEvents& listener) { listeners_.push_back(&listener); }

  // Start-up; fails when another run holds the study log's folder (a replay,
  // whose files are named apart, takes no hold), the metrics' port could not
  // be had, the source could not be opened or the study log, the seal or the
  // raw record could not be created. A refused start leaves nothing behind: the files it created are
  // removed and the earlier files it moved aside get their names back. The
  // caller reports it.
  Outcome start();
  // Passes until the space bar, a stop request or the end of the source
  // (reported in one line on `errors`); with `maxPasses`, at most that many.
  // A file's first lost record, a late source, a failing health test and seconds skipped are
  // told on `errors` as they happen, each without flooding it.
  RunEnd run(std::optional<std::int64_t> maxPasses = std::nullopt);
  // Closes every channel, tells what is still untold (the records each file
  // lost, a late episode under way, health alarms since their last line, the
  // seconds skipped in the run) and
  // gives the exit status: 1 when records were lost or the source ended,
  // else 0. The screen stays open.
  int end_status();
  // Start-up, passes until the space bar, and end_status(); 1 when the start
  // failed, which is reported in one line on `errors`.
  int run_to_end();
  // Runs the orderly end's steps: the screen closes. A display thread that
  // does not let it close within 2 seconds (a display that never returns)
  // ends the process with status 1 and one line saying so; by then every
  // file is closed.
  void close_screen();
  // "; the study log is closed" once the study log was created, else
  // nothing: what an end message adds after its reason.
  std::string closed_files_note() const;

  // The metrics a scrape gets now; "" without them.
  std::string metrics_page() const { return metrics_ ? metrics_->page() : std::string(); }
  GraphScreen* screen() { return screen_.get(); }
  ChannelTable& channels() { return channels_; }
  ExperimentDriver& driver() { return *driver_; }

 private:
  class Keys;
  class SealWatch;
  class Losses;

  Outcome open_source();
  Outcome open_trials_record();
  std::string trials_path() const;
  std::optional<RecordFile> record_file(const std::string& file) const;
  void report(const std::string& problem) const;
  const KernelClock& kernel_clock() const {
    return devices_.kernelClock != nullptr ? *devices_.kernelClock : systemKernelClock_;
  }

  MonitorDevices devices_;
  MonitorSettings settings_;
  // Held from the start until the monitor goes, after its files are closed.
  std::optional<FolderLock> folderLock_;
  LostRecords lostRecords_;
  std::unique_ptr<Losses> losses_;
  ChannelTable channels_;
  Printer printer_{channels_};
  EndSteps endSteps_;
  BitSource bits_;
  SteadySecondsClock steadyClock_;
  SystemKernelClock systemKernelClock_;
  std::unique_ptr<PassBits> source_;
  std::unique_ptr<WatchedBits> watchedSource_;
  bool sourceEnded_ = false;
  std::vector<ExperimentEvents*> listeners_;
  std::unique_ptr<TrialsRecord> trials_;
  std::unique_ptr<SkippedSeconds> skippedSeconds_;
  std::unique_ptr<MetricsFeed> metrics_;
  std::unique_ptr<GraphScreen> screen_;
  std::unique_ptr<MonitorView> view_;
  EventListeners events_;
  std::unique_ptr<Keys> keys_;
  std::unique_ptr<SealWatch> sealWatch_;
  std::unique_ptr<ExperimentDriver> driver_;
};

}  // namespace novabit
