#pragma once
// The driver's key polls on the live screen. A stop request (a signal, or the
// display going away) reads as a space, so the run ends through the same
// orderly end as the space bar and the study log is closed.

#include <functional>
#include <string>
#include <utility>

#include "experiment/key_source.h"
#include "screen/graph_screen.h"

namespace novabit {

class ScreenKeySource final : public KeySource {
 public:
  ScreenKeySource(GraphScreen& screen, std::function<bool()> stopRequested)
      : screen_(screen), stopRequested_(std::move(stopRequested)) {}

  std::string read_key() override {
    if (stopRequested_() || screen_.display_lost()) return " ";
    return screen_.read_key();
  }

 private:
  GraphScreen& screen_;
  std::function<bool()> stopRequested_;
};

}  // namespace novabit
