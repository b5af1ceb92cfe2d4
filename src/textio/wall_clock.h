#pragma once
// The local date and time behind date_text and time_text.

#include "textio/formatting.h"

namespace novabit {

class WallClock {
 public:
  virtual ~WallClock() = default;
  virtual LocalTime now() const = 0;
};

// The system's calendar time converted to local time at every call.
class SystemWallClock final : public WallClock {
 public:
  LocalTime now() const override;
};

}  // namespace novabit
