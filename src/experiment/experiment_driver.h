#pragma once
// The experiment's main routine: start-up, then one SecondPass per second of
// the SecondsClock until a space is read. It never sleeps, exits or reads a
// real clock; everything it touches comes in through ExperimentDevices.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "display/monitor_display.h"
#include "experiment/experiment_state.h"
#include "experiment/key_sealer.h"
#include "experiment/key_source.h"
#include "experiment/pass_observer.h"
#include "experiment/study_log.h"
#include "experiment/pass_bits.h"
#include "keystream/bit_source.h"
#include "textio/printer.h"
#include "clocks/seconds_clock.h"
#include "clocks/wall_clock.h"

namespace novabit {

struct ExperimentDevices {
  MonitorDisplay& display;
  Printer& printer;  // its ChannelTable holds the study log
  BitSource& bits;
  SecondsClock& clock;
  const WallClock& wallClock;
  KeySource& keys;
  KeySealer& sealer;
  // Where each pass's 200 bits come from; null: `bits`, as every other draw.
  PassBits* passBits = nullptr;
};

// What a tool may change about a run; the live program keeps the defaults.
struct DriverOptions {
  // Off: the BiasWindow forces nothing, while every draw is still made, so
  // the random sequence stays that of the biased run.
  bool biasEnabled = true;
  PassObserver* observer = nullptr;
  // Where the study log is created; empty means the working directory.
  std::filesystem::path logDirectory{};
};

enum class StartResult { ready, log_not_created, seal_not_written };
enum class RunEnd { space_key, pass_limit, source_ended };

class ExperimentDriver {
 public:
  explicit ExperimentDriver(const ExperimentDevices& devices, DriverOptions options = {});

  // Start-up: the state, the frame and side panel, the study log, the sealed
  // key and the BiasWindow. Stops right after a refused log open or seal: the
  // caller reports it (study_log_name(), ChannelTable::open_failure(),
  // KeySealer::failure()) and runs no pass.
  StartResult start();

  // Runs passes until a space is read or the source ends (the pass that
  // waited for its bits is dropped); with `maxPasses`, at most that many.
  // A bounded run ends after the last pass's wait, so runs can be chained.
  RunEnd run(std::optional<std::int64_t> maxPasses = std::nullopt);

  const std::string& study_log_name() const { return log_.name(); }
  // The run's key_commitment(), once start() has sealed the key.
  const std::string& key_commitment() const { return keyCommitment_; }
  const std::string& sealer_failure() const { return devices_.sealer.failure(); }
  const ExperimentState& state() const { return state_; }
  // For tests and the simulator, to place a run at a chosen point of a cycle.
  ExperimentState& state() { return state_; }

 private:
  std::optional<RunEnd> second_pass();  // nothing while the run goes on
  std::optional<RunEnd> take_pass_bits();
  void draw_bit(bool forced);
  void advance_cycle_clock();
  bool wait_for_next_second();
  bool space_read();

  ExperimentDevices devices_;
  DriverOptions options_;
  KeyedPassBits keyedBits_;
  PassBits& passBits_;
  PassBytes passBytes_{};
  std::string keyCommitment_;
  bool firstPass_ = true;
  StudyLog log_;
  ExperimentState state_;
};

}  // namespace novabit
