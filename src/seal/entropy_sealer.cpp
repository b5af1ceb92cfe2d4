#include "seal/entropy_sealer.h"

namespace novabit {

Result<RandomKey> EntropySealer::seal_key(const SealRequest& request) {
  Result<RandomKey> key = entropy_key();
  if (!key) return Failure{request.path + ": " + key.failure().what, key.failure().error};
  if (Outcome sealed = file_.create(request.path, {*key, request.start, source_, {}}); !sealed) {
    return sealed.failure();
  }
  return key;
}

void EntropySealer::note_first_reading(long double reading) {
  // The key is sealed already; a lost clock line only costs a replay its
  // exact pacing, so the run goes on.
  if (Outcome added = file_.add_clock(reading); !added) {
    if (errors_ != nullptr) std::fprintf(errors_, "%s\n", added.failure().message().c_str());
    lost_ = true;
  }
}

}  // namespace novabit
