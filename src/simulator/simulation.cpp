#include "simulator/simulation.h"

#include "drawing/png_picture.h"

namespace novabit {

namespace {

// The file an option names, created; none without the option.
Result<std::unique_ptr<OutputFile>> output_file(const std::optional<std::filesystem::path>& path) {
  if (!path) return std::unique_ptr<OutputFile>();
  return OutputFile::create(*path);
}

}  // namespace

Result<std::unique_ptr<Simulation>> Simulation::create(const SimulatorOptions& options, std::FILE* standardOutput,
                                                       std::FILE* errors,
                                                       const volatile std::sig_atomic_t* stopRequested) {
  Result<std::unique_ptr<OutputFile>> trace = output_file(options.trace);
  if (!trace) return trace.failure();
  Result<std::unique_ptr<OutputFile>> bits = options.bits_to_standard_output()
                                                 ? std::make_unique<OutputFile>(standardOutput, "standard output")
                                                 : output_file(options.bits);
  if (!bits) return bits.failure();
  std::unique_ptr<Simulation> simulation(
      new Simulation(options, errors, stopRequested, std::move(*trace), std::move(*bits)));
  Monitor& monitor = simulation->monitor_;
  if (!monitor.open_screen()) return Failure{"the screen in memory did not open", 0};
  if (options.cyclePngPrefix && monitor.screen() != nullptr) {
    simulation->cyclePictures_.emplace(*monitor.screen(), options.cyclePngPrefix->string());
    monitor.add_listener(*simulation->cyclePictures_);
  }
  if (simulation->recorder_) monitor.add_listener(*simulation->recorder_);
  if (!options.gaps.empty()) monitor.add_listener(simulation->gapSkips_);
  return simulation;
}

void Simulation::GapSkips::pass_ended(bool) {
  // The pass now ended is counted already: secondsElapsed names the next one.
  const RunGaps& gaps = simulation_.options_.gaps;
  if (const auto gap = gaps.find(simulation_.monitor_.driver().state().secondsElapsed); gap != gaps.end()) {
    simulation_.clock_.skip(gap->second);
  }
}

Simulation::Simulation(const SimulatorOptions& options, std::FILE* errors,
                       const volatile std::sig_atomic_t* stopRequested, std::unique_ptr<OutputFile> traceFile,
                       std::unique_ptr<OutputFile> bitsFile)
    : options_(options),
      errors_(errors),
      stopRequested_(stopRequested),
      clock_(options.clockOrigin),
      wallClock_(clock_, options.start, options.clockZero),
      sealer_(options.key),
      traceFile_(std::move(traceFile)),
      bitsFile_(std::move(bitsFile)),
      monitor_(devices(), settings()) {}

MonitorDevices Simulation::devices() {
  DisplayThread::BackEnds backEnds;
  if (options_.screen) backEnds.emplace_back(backEnd_);
  return {backEnds, clock_, wallClock_, sealer_, {}, nullptr, stopRequested_};
}

MonitorSettings Simulation::settings() {
  if (traceFile_) trace_.emplace(*traceFile_, options_.revealBias);
  if (bitsFile_) bitStream_.emplace(*bitsFile_);
  if (trace_ || bitStream_) recorder_.emplace(bitStream_ ? &*bitStream_ : nullptr, trace_ ? &*trace_ : nullptr);
  // Thousands of records a second, not synced one by one: the study log is
  // complete when the run ends.
  MonitorSettings settings;
  settings.program = "novabit-sim";
  settings.console = nullptr;
  settings.errors = errors_;
  settings.displayThread = false;
  settings.durableWrites = false;
  settings.driver.biasEnabled = options_.biasEnabled;
  settings.driver.logDirectory = options_.directory;
  settings.driver.replay = options_.replay;
  settings.source = options_.source;
  settings.trialsRecord = options_.trialsRecord;
  settings.station = options_.station.station;
  settings.metrics = options_.station.metrics;
  settings.metricsWebConfig = options_.station.metricsWebConfig;
  return settings;
}

Outcome Simulation::start() {
  if (Outcome started = monitor_.start(); !started) return started;
  if (recorder_) recorder_->follow(monitor_.driver());
  return {};
}

void Simulation::run(std::int64_t passes) {
  const std::int32_t before = monitor_.driver().state().secondsElapsed;
  sourceEnded_ = monitor_.run(passes) == RunEnd::source_ended;
  passesRun_ += monitor_.driver().state().secondsElapsed - before;
}

bool Simulation::outputs_stopped() const {
  if (sourceEnded_) return true;
  for (const auto* file : {&traceFile_, &bitsFile_}) {
    if (*file && ((*file)->failed() || (*file)->reader_gone())) return true;
  }
  return cyclePictures_ && !cyclePictures_->written();
}

int Simulation::finish() {
  int status = 0;
  const auto report = [&](const Failure& problem) {
    std::fprintf(errors_, "novabit-sim: %s\n", problem.message().c_str());
    status = 1;
  };
  if (options_.png) {
    if (const Outcome written = write_png(*monitor_.screen()->frame(), *options_.png); !written) {
      report(written.failure());
    }
  }
  if (cyclePictures_ && !cyclePictures_->written()) report(cyclePictures_->written().failure());
  if (bitStream_) bitStream_->flush();
  for (auto* file : {&traceFile_, &bitsFile_}) {
    if (!*file) continue;
    if (const Outcome closed = (*file)->close(); !closed) report(closed.failure());
  }
  if (monitor_.end_status() != 0) status = 1;
  monitor_.close_screen();
  return status;
}

}  // namespace novabit
