#pragma once
// Where the driver takes the bits of each pass from. Every other draw of
// a run (the BiasWindow and each pass's forcing draw) comes from the keyed
// generator whatever the source, so the hidden window stays sealed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "experiment/experiment_numbers.h"
#include "experiment/pass_marks.h"
#include "keystream/keyed_generator.h"

namespace novabit {

// A pass's bits, 8 to a byte, the first in the most significant place: the
// order of a device's byte stream and of the simulator's --bits file.
static_assert(kBitsPerPass % 8 == 0);
inline constexpr std::size_t kPassBytes = kBitsPerPass / 8;
using PassBytes = std::array<std::uint8_t, kPassBytes>;

enum class TakeResult {
  taken,
  waiting,  // none yet: ask again
  ended,    // the source delivers no more; end_reason() says why
};

class PassBits {
 public:
  virtual ~PassBits() = default;
  // The next pass's bits. A source that has none yet may wait a little for
  // them before it answers `waiting`, but never for long.
  virtual TakeResult take(PassBytes& bits) = 0;
  virtual std::string end_reason() const { return {}; }
  // How long the pass last taken waited for its bits, in seconds, counting
  // only the time spent waiting for the source itself.
  virtual double waited_seconds() const { return 0; }
  // What marks the pass last taken; nothing for a source nobody watches.
  virtual PassMarks marks() const { return {}; }
};

// The keyed generator's bits: one draw per bit, in the driver's order.
class KeyedPassBits final : public PassBits {
 public:
  explicit KeyedPassBits(BitSource& bits) : bits_(bits) {}
  TakeResult take(PassBytes& bits) override;

 private:
  BitSource& bits_;
};

}  // namespace novabit
