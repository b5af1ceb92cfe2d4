#pragma once
// One second of a raw record, and a file's seconds read one at a time.

#include <cstddef>
#include <cstdint>

#include "report/line_source.h"

namespace novabit::report {

struct TrialSecond {
  std::int64_t pass = 0;
  std::int64_t utc = 0;    // seconds since 1970 UTC
  std::int64_t local = 0;  // local seconds (log_time.h)
  std::int32_t ones = 0;
  bool alarm = false;  // a health test fired on its bits
  bool late = false;   // it waited for its bits beyond its second
  std::size_t line = 0;
};

class SecondStream {
 public:
  virtual ~SecondStream() = default;
  // The next second, nothing at the end, or why reading failed.
  virtual Next<TrialSecond> next() = 0;
};

}  // namespace novabit::report
