#pragma once
// Keeps each 12-hour graph: just before the screen's redraw at the end of a
// cycle, saves the screen as PREFIX-cycleN.png, N being the number of the
// cycle that ends. Told before the screen display, it sees the cycle whole.

#include <string>
#include <utility>

#include "base/failure.h"
#include "experiment/experiment_events.h"
#include "screen/graph_screen.h"

namespace novabit {

class CyclePictures final : public ExperimentEvents {
 public:
  // `screen` must outlive this listener.
  CyclePictures(const GraphScreen& screen, std::string prefix) : screen_(screen), prefix_(std::move(prefix)) {}

  void cycle_ended(const EndedCycle& cycle) override;

  // Every picture so far written, or the first that could not be; none is
  // tried after it.
  const Outcome& written() const { return written_; }

 private:
  const GraphScreen& screen_;
  std::string prefix_;
  Outcome written_;
};

}  // namespace novabit
