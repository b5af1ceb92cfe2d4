#include "screen/key_buffer.h"

namespace novabit {

void KeyBuffer::post(KeyCode code) {
  codes_[static_cast<std::size_t>(write_)] = code;
  write_ = (write_ + 1) % kSlots;
  if (write_ == read_) {
    read_ = (read_ + 1) % kSlots;
  }
}

KeyCode KeyBuffer::take() {
  if (read_ == write_) {
    return 0;
  }
  const KeyCode code = codes_[static_cast<std::size_t>(read_)];
  read_ = (read_ + 1) % kSlots;
  return code;
}

std::string key_text(KeyCode code) {
  if (code <= 0) {
    return {};
  }
  if (code < 256) {
    return std::string(1, static_cast<char>(code));
  }
  return {'\xFF', static_cast<char>((code >> 8) & 0xFF)};
}

}  // namespace novabit
