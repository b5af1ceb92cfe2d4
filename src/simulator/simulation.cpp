#include "simulator/simulation.h"

#include "screen/png_picture.h"

namespace novabit {

Simulation::Simulation(const SimulatorOptions& options, std::FILE* standardOutput, std::FILE* errors)
    : options_(options),
      errors_(errors),
      clock_(options.clockOrigin),
      wallClock_(clock_, options.start, options.clockZero),
      sealer_(options.key),
      traceFile_(options.trace ? std::optional<OutputFile>(std::in_place, *options.trace) : std::nullopt),
      bitsFile_(options.bits_to_standard_output()
                    ? std::optional<OutputFile>(std::in_place, standardOutput, "standard output")
                    : options.bits ? std::optional<OutputFile>(std::in_place, *options.bits) : std::nullopt),
      monitor_(devices(), settings()),
      screenOpened_(monitor_.open_screen()) {
  if (options_.cyclePngPrefix && monitor_.screen() != nullptr) {
    cyclePictures_.emplace(*monitor_.screen(), options_.cyclePngPrefix->string());
    monitor_.add_listener(*cyclePictures_);
  }
  if (recorder_) monitor_.add_listener(*recorder_);
}

MonitorDevices Simulation::devices() {
  DisplayThread::BackEnds backEnds;
  if (options_.screen) backEnds.emplace_back(backEnd_);
  return {backEnds, clock_, wallClock_, sealer_, {}};
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

std::optional<Failure> Simulation::creation_failure() const {
  if (!screenOpened_) return Failure{"the screen in memory did not open", 0};
  for (const auto* file : {&traceFile_, &bitsFile_}) {
    if (*file && (*file)->failed()) return (*file)->failure();
  }
  return std::nullopt;
}

bool Simulation::start() {
  if (!monitor_.start()) return false;
  if (recorder_) recorder_->follow(monitor_.driver());
  return true;
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
  return cyclePictures_ && cyclePictures_->failure();
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
  if (cyclePictures_ && cyclePictures_->failure()) report(*cyclePictures_->failure());
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
