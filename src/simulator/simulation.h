#pragma once
// One simulated run: the live program's driver, statistics, study log and
// screen on the virtual clocks, a keyboard that is never touched and a
// screen in memory, with the simulator's outputs attached.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "experiment/experiment_driver.h"
#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/memory/memory_back_end.h"
#include "simulator/bit_stream.h"
#include "simulator/cycle_picture_display.h"
#include "simulator/headless_devices.h"
#include "simulator/output_file.h"
#include "simulator/run_recorder.h"
#include "simulator/simulator_options.h"
#include "simulator/trace_file.h"
#include "textio/bit_source.h"
#include "textio/channels.h"
#include "textio/printer.h"
#include "textio/virtual_clocks.h"

namespace novabit {

class Simulation {
 public:
  // Creates the trace and bit files at once; `standardOutput` takes "--bits -".
  // What is lost on the way goes to `errors`, one line each.
  Simulation(const SimulatorOptions& options, std::FILE* standardOutput, std::FILE* errors);
  Simulation(const Simulation&) = delete;
  Simulation& operator=(const Simulation&) = delete;

  // Why an output file could not be created, if one could not.
  std::optional<std::string> creation_failure() const;
  // Start-up; false when the study log could not be created (the reason is
  // on `errors`).
  bool start();
  void run(std::int64_t passes);
  std::int64_t passes_run() const { return passesRun_; }
  // True when an output failed or the reader of the bits went away.
  bool outputs_stopped() const;
  // Writes the final picture, closes every file and the screen, and returns
  // the exit status: 1 when anything was lost (each loss reported on
  // `errors`), else 0.
  int finish();

  // The screen in memory; null without the screen.
  const GraphScreen* screen() const { return screen_.get(); }

 private:
  MonitorDisplay& make_display();

  SimulatorOptions options_;
  std::FILE* errors_;
  ChannelTable channels_;
  Printer printer_{channels_};
  SimulatedSecondsClock clock_;
  SimulatedWallClock wallClock_;
  BitSource bits_;
  UntouchedKeyboard keyboard_;
  EndSteps endSteps_;
  MemoryBackEnd backEnd_;
  std::unique_ptr<GraphScreen> screen_;
  std::unique_ptr<MonitorDisplay> display_;
  std::unique_ptr<CyclePictureDisplay> cyclePictures_;
  std::optional<OutputFile> traceFile_;
  std::optional<OutputFile> bitsFile_;
  std::optional<TraceFile> trace_;
  std::optional<BitStream> bitStream_;
  std::optional<RunRecorder> recorder_;
  std::unique_ptr<ExperimentDriver> driver_;
  std::int64_t passesRun_ = 0;
};

}  // namespace novabit
