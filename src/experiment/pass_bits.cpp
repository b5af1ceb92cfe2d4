#include "experiment/pass_bits.h"

namespace novabit {

TakeResult KeyedPassBits::take(PassBytes& bits) {
  for (std::uint8_t& byte : bits) {
    unsigned packed = 0;
    for (int bit = 0; bit < 8; ++bit) packed = packed << 1 | static_cast<unsigned>(bits_.random_bit());
    byte = static_cast<std::uint8_t>(packed);
  }
  return TakeResult::taken;
}

}  // namespace novabit
