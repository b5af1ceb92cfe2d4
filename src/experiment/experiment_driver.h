#pragma once
// The experiment's main routine: start-up, then one SecondPass per second of
// the SecondsClock until the space bar or a stop request. It never exits or
// reads a real clock, and sleeps only through its SecondsClock; everything it
// touches comes in through ExperimentDevices, and what happens goes out as
// ExperimentEvents.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "clocks/seconds_clock.h"
#include "clocks/wall_clock.h"
#include "experiment/experiment_events.h"
#include "experiment/experiment_state.h"
#include "experiment/key_sealer.h"
#include "experiment/key_source.h"
#include "experiment/pass_bits.h"
#include "experiment/study_log.h"
#include "keystream/keyed_generator.h"
#include "textio/printer.h"

namespace novabit {

struct ExperimentDevices {
  ExperimentEvents& events;
  Printer& printer;  // its ChannelTable holds the study log
  BitSource& bits;
  SecondsClock& clock;
  const WallClock& wallClock;
  KeySource& keys;
  KeySealer& sealer;
  // Where each pass's bits come from; null: `bits`, as every other draw.
  PassBits* passBits = nullptr;
};

// How the wait for the next whole second spends its time: polling the clock
// and the keys without a pause, or sleeping until just before the second in
// slices short enough to answer a key, and polling only its last moment.
enum class Pace { poll, sleep };

// What a tool may change about a run; the live program keeps the defaults.
struct DriverOptions {
  // Off: the BiasWindow forces nothing, while every draw is still made, so
  // the random sequence stays that of the biased run.
  bool biasEnabled = true;
  // Where the study log is created; empty means the working directory.
  std::filesystem::path logDirectory{};
  // Where the seal is written; empty means beside the study log.
  std::filesystem::path sealDirectory{};
  // A replay of a sealed run: the study log, and the files named after it,
  // are named as a replay's, never as the live run's.
  bool replay = false;
  // The station, for the seal: in a folder of its own, which a keeper may
  // share among stations, the seal's name carries it too.
  std::string station{};
  Pace pace = Pace::poll;
};

enum class RunEnd { space_key, stop_requested, pass_limit, source_ended };

class ExperimentDriver {
 public:
  explicit ExperimentDriver(const ExperimentDevices& devices, DriverOptions options = {});

  // Start-up: the state, the run's start shown, the study log, the sealed key
  // and the BiasWindow. Stops right after a refused log open or seal, whose
  // failure it returns; the caller reports it and runs no pass.
  Outcome start();

  // Runs passes until a space or a stop request is read or the source ends
  // (the pass that waited for its bits is dropped); with `maxPasses`, at
  // most that many. A bounded run ends after the last pass's wait, so runs
  // can be chained.
  RunEnd run(std::optional<std::int64_t> maxPasses = std::nullopt);

  const std::string& study_log_name() const { return log_.name(); }
  bool study_log_created() const { return log_.created(); }
  // The run's key_commitment(), once start() has sealed the key.
  const std::string& key_commitment() const { return keyCommitment_; }
  const ExperimentState& state() const { return state_; }
  // For tests and the simulator, to place a run at a chosen point of a cycle.
  ExperimentState& state() { return state_; }
  // Whether the pass now counted has its bits forced.
  bool pass_forced() const { return forced_; }

 private:
  std::optional<RunEnd> second_pass();  // nothing while the run goes on
  std::optional<RunEnd> take_pass_bits();
  void draw_bit();
  void advance_cycle_clock();
  std::optional<RunEnd> wait_for_next_second();
  std::optional<RunEnd> poll_keys();

  ExperimentDevices devices_;
  DriverOptions options_;
  KeyedPassBits keyedBits_;
  PassBits& passBits_;
  PassBytes passBytes_{};
  PassMarks passMarks_;
  std::string keyCommitment_;
  bool firstPass_ = true;
  bool forced_ = false;
  StudyLog log_;
  ExperimentState state_;
};

}  // namespace novabit
