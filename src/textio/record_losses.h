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
  // Another program took `file` from the run with the `count` records it
  // held: `what` says how ("FILE: deleted by another program; made again").
  // Unlike a failed write, told every time.
  virtual void file_taken(const std::string& file, std::int64_t count, const std::string& what) = 0;
};

}  // namespace novabit
