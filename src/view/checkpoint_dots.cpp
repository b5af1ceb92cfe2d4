#include "view/checkpoint_dots.h"

#include "experiment/checkpoint_arithmetic.h"

namespace novabit {

std::int32_t checkpoint_y(const ClosedCheckpoint& checkpoint) {
  // The expected count of each value in the period, the full scale of 100 pixels.
  const long double fullScale = (checkpoint.period == Period::quarter ? kQuarterBits : kFiveMinuteBits) / 2;
  const std::int32_t zeros = checkpoint.zeros;
  const std::int32_t ones = checkpoint.ones;
  switch (checkpoint.leaning) {
    case Leaning::zero:
      return nearest(static_cast<long double>((zeros - ones) * 100) / fullScale + kCheckpointCentreY);
    case Leaning::one:
      return nearest(kCheckpointCentreY - static_cast<long double>((ones - zeros) * 100) / fullScale);
    case Leaning::balance:
      break;
  }
  return kCheckpointCentreY;
}

}  // namespace novabit
