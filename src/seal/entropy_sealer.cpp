#include "seal/entropy_sealer.h"

namespace novabit {

Result<RandomKey> EntropySealer::seal_key(const SealRequest& request) {
  Result<RandomKey> key = entropy_key();
  if (!key) return Failure{request.path + ": " + key.failure().what, key.failure().error};
  if (Outcome sealed = file_.create(request.path, {*key, request.start, source_, {}, request.station}); !sealed) {
    return sealed.failure();
  }
  return key;
}

}  // namespace novabit
