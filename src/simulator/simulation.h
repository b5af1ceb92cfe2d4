#pragma once
// One simulated run: the live program's experiment on the virtual clocks,
// with a keyboard that is never touched, a screen in memory (or none) and the
// simulator's outputs attached.

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "clocks/virtual_clocks.h"
#include "monitor/monitor.h"
#include "replay/given_key.h"
#include "screen/memory/memory_back_end.h"
#include "simulator/bit_stream.h"
#include "simulator/cycle_pictures.h"
#include "simulator/output_file.h"
#include "simulator/run_recorder.h"
#include "simulator/simulator_options.h"
#include "simulator/trace_file.h"

namespace novabit {

class Simulation {
 public:
  // Creates the trace and bit files and opens the screen; `standardOutput`
  // takes "--bits -". A failure names the file, or the screen. What is lost
  // on the way later goes to `errors`, one line each. A raised `stopRequested`
  // (may be null) stops the run at its next key poll, as a stop signal stops
  // the live program, however slowly the source delivers.
  static Result<std::unique_ptr<Simulation>> create(const SimulatorOptions& options, std::FILE* standardOutput,
                                                    std::FILE* errors,
                                                    const volatile std::sig_atomic_t* stopRequested = nullptr);
  Simulation(const Simulation&) = delete;
  Simulation& operator=(const Simulation&) = delete;

  // Start-up; fails when the metrics' port could not be had, the source could
  // not be opened, or the study log, the seal or the raw record could not be
  // created.
  Outcome start();
  // At most `passes`: fewer when the source ended (reported on `errors`).
  void run(std::int64_t passes);
  std::int64_t passes_run() const { return passesRun_; }
  // True when the source ended, an output failed or the reader of the bits went away.
  bool outputs_stopped() const;
  // Writes the final picture, closes every file and the screen, and returns
  // the exit status: 1 when anything was lost (each loss reported on
  // `errors`), else 0.
  int finish();

  // The screen in memory; null without the screen.
  GraphScreen* screen() { return monitor_.screen(); }

 private:
  Simulation(const SimulatorOptions& options, std::FILE* errors, const volatile std::sig_atomic_t* stopRequested,
             std::unique_ptr<OutputFile> traceFile, std::unique_ptr<OutputFile> bitsFile);
  MonitorDevices devices();
  MonitorSettings settings();

  // Skips the seconds the replayed run skipped, as each pass before a gap ends.
  class GapSkips final : public ExperimentEvents {
   public:
    explicit GapSkips(Simulation& simulation) : simulation_(simulation) {}
    void pass_ended(bool) override;

   private:
    Simulation& simulation_;
  };

  SimulatorOptions options_;
  std::FILE* errors_;
  const volatile std::sig_atomic_t* stopRequested_;
  SimulatedSecondsClock clock_;
  SimulatedWallClock wallClock_;
  GivenKey sealer_;
  MemoryBackEnd backEnd_;
  std::unique_ptr<OutputFile> traceFile_;
  std::unique_ptr<OutputFile> bitsFile_;
  std::optional<TraceFile> trace_;
  std::optional<BitStream> bitStream_;
  std::optional<RunRecorder> recorder_;
  Monitor monitor_;
  std::optional<CyclePictures> cyclePictures_;
  GapSkips gapSkips_{*this};
  std::int64_t passesRun_ = 0;
  bool sourceEnded_ = false;
};

}  // namespace novabit
