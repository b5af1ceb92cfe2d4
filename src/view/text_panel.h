#pragma once
// The lines every pass prints on channel 0 (the screen's text panel, or the
// console while no screen is attached): its bits, the StatusLine, the
// DeviationLine and the separator row. Colours are the caller's.

#include <cstdint>

#include "clocks/wall_clock.h"
#include "experiment/experiment_events.h"
#include "textio/printer.h"

namespace novabit {

class TextPanel {
 public:
  TextPanel(Printer& printer, const WallClock& wallClock) : printer_(printer), wallClock_(wallClock) {}

  void print_bit(std::int32_t bit);
  void print_status_line(std::int32_t secondsElapsed, std::int32_t zeros, std::int32_t ones);
  void print_deviation_line(Leaning leaning, std::int32_t secondDeviation);
  void print_separator();

 private:
  Printer& printer_;
  const WallClock& wallClock_;
};

}  // namespace novabit
