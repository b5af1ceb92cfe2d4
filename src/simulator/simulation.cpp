#include "simulator/simulation.h"

#include "display/monitor_texts.h"
#include "display/screen_display.h"
#include "experiment/program.h"
#include "simulator/png_picture.h"

namespace novabit {

Simulation::Simulation(const SimulatorOptions& options, std::FILE* standardOutput, std::FILE* errors)
    : options_(options), errors_(errors), channels_(nullptr, errors), clock_(options.seed), wallClock_(clock_, options.start) {
  // Thousands of records a second: the study log is complete when the run ends.
  channels_.set_durable_writes(false);
  if (options_.trace) {
    traceFile_.emplace(*options_.trace);
    trace_.emplace(*traceFile_, options_.revealBias);
  }
  if (options_.bits_to_standard_output()) {
    bitsFile_.emplace(standardOutput, "standard output");
  } else if (options_.bits) {
    bitsFile_.emplace(*options_.bits);
  }
  if (bitsFile_) bitStream_.emplace(*bitsFile_);
  if (trace_ || bitStream_) recorder_.emplace(bitStream_ ? &*bitStream_ : nullptr, trace_ ? &*trace_ : nullptr);
  driver_ = std::make_unique<ExperimentDriver>(
      ExperimentDevices{make_display(), printer_, bits_, clock_, wallClock_, keyboard_},
      DriverOptions{options_.biasEnabled, recorder_ ? &*recorder_ : nullptr, options_.directory});
}

MonitorDisplay& Simulation::make_display() {
  if (!options_.screen) {
    display_ = std::make_unique<HeadlessDisplay>();
    return *display_;
  }
  screen_ = std::make_unique<GraphScreen>(channels_, endSteps_, DisplayThread::BackEnds{backEnd_},
                                          GraphScreenOptions{false, "novabit-sim"});
  screen_->set_window_title(kWindowTitle);
  screen_->set_screen_mode(19, 16, 4, 1, 0);
  display_ = std::make_unique<ScreenDisplay>(*screen_, printer_, wallClock_);
  if (!options_.cyclePngPrefix) return *display_;
  cyclePictures_ = std::make_unique<CyclePictureDisplay>(*display_, *screen_, options_.cyclePngPrefix->string());
  return *cyclePictures_;
}

std::optional<std::string> Simulation::creation_failure() const {
  if (screen_ && !screen_->is_open()) return "the screen in memory did not open";
  for (const auto* file : {&traceFile_, &bitsFile_}) {
    if (*file && (*file)->failed()) return (*file)->failure();
  }
  return std::nullopt;
}

bool Simulation::start() { return start_program(*driver_, channels_, errors_, "novabit-sim"); }

void Simulation::run(std::int64_t passes) {
  driver_->run(passes);
  passesRun_ += passes;
}

bool Simulation::outputs_stopped() const {
  for (const auto* file : {&traceFile_, &bitsFile_}) {
    if (*file && ((*file)->failed() || (*file)->reader_gone())) return true;
  }
  return cyclePictures_ && cyclePictures_->failure();
}

int Simulation::finish() {
  int status = 0;
  const auto report = [&](const std::string& problem) {
    std::fprintf(errors_, "novabit-sim: %s\n", problem.c_str());
    status = 1;
  };
  if (options_.png) {
    if (const auto problem = write_png(*screen_->frame(), *options_.png)) report(*problem);
  }
  if (cyclePictures_ && cyclePictures_->failure()) report(*cyclePictures_->failure());
  if (bitStream_) bitStream_->flush();
  for (auto* file : {&traceFile_, &bitsFile_}) {
    if (*file && !(*file)->close()) report((*file)->failure());
  }
  if (end_program_status(channels_) != 0) status = 1;
  endSteps_.run_all();
  return status;
}

}  // namespace novabit
