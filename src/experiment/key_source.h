#pragma once
// Where the driver's key polls read from.

namespace novabit {

// What a poll found: nothing, the space bar (the end of the run), any other
// key (swallowed), or a request from outside to stop the run in order.
enum class Key { none, space, other, stop };

class KeySource {
 public:
  virtual ~KeySource() = default;
  // The next key; never waits.
  virtual Key read_key() = 0;
};

}  // namespace novabit
