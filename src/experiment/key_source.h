#pragma once
// Where the driver's key polls read from.

#include <string>

namespace novabit {

class KeySource {
 public:
  virtual ~KeySource() = default;
  // The next key as 0, 1 or 2 bytes; empty when none is waiting. Never waits.
  virtual std::string read_key() = 0;
};

}  // namespace novabit
