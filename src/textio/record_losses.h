#pragma once
// Where a file's writer tells that records meant for the file could not be
// kept in it whole. Records are written whole or not at all, so a loss never
// leaves a torn record behind; the owner of the run counts and reports them.

#include <cstdint>
#include <string>

#include "base/failure.h"

namespace novabit {

class RecordLosses {
 public:
  virtual ~RecordLosses() = default;
  // `count` records of `file` are lost for `why`; a count of 0 is a failure
  // that lost nothing that was written (a failed close).
  virtual void records_lost(const std::string& file, std::int64_t count, const Failure& why) = 0;
};

}  // namespace novabit
