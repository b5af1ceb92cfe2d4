#pragma once
// Counted bits packed 8 to a byte, the first bit in the most significant
// place, for test batteries that read a byte stream.

#include <array>
#include <cstddef>
#include <cstdint>

#include "simulator/output_file.h"

namespace novabit {

class BitStream {
 public:
  explicit BitStream(OutputFile& file) : file_(file) {}
  ~BitStream() { flush(); }
  BitStream(const BitStream&) = delete;
  BitStream& operator=(const BitStream&) = delete;

  void add(std::int32_t bit) {
    byte_ = static_cast<std::uint8_t>(byte_ << 1 | (bit != 0 ? 1 : 0));
    if (++bitsInByte_ == 8) {
      buffer_[filled_++] = byte_;
      bitsInByte_ = 0;
      if (filled_ == buffer_.size()) flush();
    }
  }
  // Hands the whole bytes so far to the file. A pass has 200 bits, so a
  // stream of whole passes never leaves a part byte behind.
  void flush();

 private:
  OutputFile& file_;
  std::array<std::uint8_t, 1 << 16> buffer_{};
  std::size_t filled_ = 0;
  std::uint8_t byte_ = 0;
  int bitsInByte_ = 0;
};

}  // namespace novabit
