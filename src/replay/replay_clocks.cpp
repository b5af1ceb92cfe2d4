#include "replay/replay_clocks.h"

#include "clocks/seconds_clock.h"
#include "clocks/wall_clock.h"

namespace novabit {

std::optional<ReplayClocks> sealed_clocks(const Seal& seal) {
  const std::optional<std::time_t> start = local_moment(seal.start);
  if (!start) return std::nullopt;
  return ReplayClocks{*start, kYear2000Epoch, seal.clock.value_or(static_cast<long double>(*start - kYear2000Epoch))};
}

}  // namespace novabit
