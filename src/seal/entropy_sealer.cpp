#include "seal/entropy_sealer.h"

namespace novabit {

std::optional<RandomKey> EntropySealer::seal_key(const SealRequest& request) {
  const EntropyResult entropy = entropy_key();
  if (!entropy.key) {
    failure_ = request.path + ": " + entropy.failure;
    return std::nullopt;
  }
  if (auto problem = file_.create(request.path, {*entropy.key, request.startDate, request.startTime, source_, {}})) {
    failure_ = std::move(*problem);
    return std::nullopt;
  }
  return entropy.key;
}

void EntropySealer::note_first_reading(long double reading) {
  // The key is sealed already; a lost clock line only costs a replay its
  // exact pacing, so the run goes on.
  if (auto problem = file_.add_clock(reading)) {
    if (errors_ != nullptr) std::fprintf(errors_, "%s\n", problem->c_str());
    lost_ = true;
  }
}

}  // namespace novabit
