#include "simulator/bit_stream.h"

#include <string_view>

namespace novabit {

void BitStream::flush() {
  file_.write(std::string_view(reinterpret_cast<const char*>(buffer_.data()), filled_));
  filled_ = 0;
}

}  // namespace novabit
