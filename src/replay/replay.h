#pragma once
// A run of the keyed generator replayed from its key alone: the experiment's
// driver on virtual clocks, with no key ever pressed and no screen, writing
// its study log into a scratch folder of its own that goes with it. It gives
// the ones every pass counted, forced bits included, exactly as the run did.

#include <cstdint>
#include <filesystem>
#include <memory>

#include "base/failure.h"
#include "clocks/virtual_clocks.h"
#include "experiment/experiment_driver.h"
#include "keystream/keyed_generator.h"
#include "replay/given_key.h"
#include "replay/pass_ones.h"
#include "replay/replay_clocks.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit {

class Replay {
 public:
  // The driver started; a failure says what could not be made: "has no
  // scratch folder: ...", "cannot start: cannot create the study log ...".
  static Result<std::unique_ptr<Replay>> start(const RandomKey& key, const ReplayClocks& clocks);
  // Removes the scratch folder.
  ~Replay();
  Replay(const Replay&) = delete;
  Replay& operator=(const Replay&) = delete;

  // The ones of passes `first` to `last`, the run replayed as far as that.
  // Passes are asked for in rising order, `first` at most
  // PassOnes::kPassesKept before the latest `last`.
  std::int64_t ones_between(std::int64_t first, std::int64_t last);
  std::int64_t passes_run() const { return ones_.passes(); }

 private:
  class NoKeys final : public KeySource {
   public:
    Key read_key() override { return Key::none; }
  };

  Replay(const RandomKey& key, const ReplayClocks& clocks, std::filesystem::path folder);

  std::filesystem::path folder_;
  SimulatedSecondsClock clock_;
  SimulatedWallClock wallClock_;
  ChannelTable channels_{nullptr};
  Printer printer_{channels_};
  BitSource bits_;
  NoKeys keys_;
  GivenKey key_;
  PassOnes ones_;
  ExperimentDriver driver_;
};

}  // namespace novabit
