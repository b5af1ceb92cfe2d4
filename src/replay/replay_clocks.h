#pragma once
// Where a run's clocks stood when it began, so that its replay paces and
// stamps its passes as the run did (in the same time zone).

#include <ctime>
#include <optional>

#include "seal/seal.h"

namespace novabit {

struct ReplayClocks {
  // The local time shown at start-up, which also names the study log.
  std::time_t start = 0;
  // The moment of the system clock that the seconds clock's reading 0 stands for.
  std::time_t clockZero = 0;
  // The seconds clock's reading in pass 1.
  long double clockOrigin = 0;
};

// The clocks of the run that `seal` sealed; nothing when its start is no
// local time here. Without a clock line (a run that never began its first
// pass) its passes are taken to begin on the start's whole seconds.
std::optional<ReplayClocks> sealed_clocks(const Seal& seal);

}  // namespace novabit
