#pragma once
// Keeps each 12-hour graph: passes everything on to the monitor on the
// screen, and just before a CycleEnd redraws it, saves the screen as
// PREFIX-cycleN.png, N being the number of the cycle that ends.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "display/forwarding_display.h"
#include "screen/graph_screen.h"

namespace novabit {

class CyclePictureDisplay final : public ForwardingDisplay {
 public:
  // `shown` draws on `screen`; both must outlive this display.
  CyclePictureDisplay(MonitorDisplay& shown, const GraphScreen& screen, std::string prefix)
      : ForwardingDisplay(shown), screen_(screen), prefix_(std::move(prefix)) {}

  void redraw_cycle_display(const CyclePanel& panel, const RunStart& start) override;

  // The first picture that could not be written; none is tried after it.
  const std::optional<std::string>& failure() const { return failure_; }

 private:
  const GraphScreen& screen_;
  std::string prefix_;
  std::optional<std::string> failure_;
};

}  // namespace novabit
