#pragma once
// How the graph shows a closed checkpoint: a dot whose size tells the period
// and whose colour tells the leaning, one pixel off the centre line for every
// hundredth of the period's expected count of each value. The live dots and
// the legend beside the captions both draw from here.

#include <cstdint>

#include "drawing/colour.h"
#include "experiment/experiment_events.h"
#include "experiment/experiment_numbers.h"

namespace novabit {

struct DotStyle {
  std::int32_t radius;
  Colour colour;
};

// The centre line of the checkpoint band, in graph-area rows.
inline constexpr std::int32_t kCheckpointCentreY = 115;

constexpr DotStyle checkpoint_dot_style(Period period, Leaning leaning) {
  const bool quarter = period == Period::quarter;
  const std::int32_t radius = quarter ? 2 : 1;
  switch (leaning) {
    case Leaning::zero:
      return {radius, quarter ? Colour{0x8888DD} : Colour{0x4444DD}};
    case Leaning::one:
      return {radius, quarter ? Colour{0xDD8888} : Colour{0xDD4444}};
    case Leaning::balance:
      break;
  }
  return {radius, 0xFFFFFF};
}

// The dot's row: zeros below the centre line, ones above it.
std::int32_t checkpoint_y(const ClosedCheckpoint& checkpoint);

}  // namespace novabit
