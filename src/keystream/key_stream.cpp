#include "keystream/key_stream.h"

#include <sodium.h>

#include "keystream/sodium_library.h"

namespace novabit {

KeyStream::KeyStream(const RandomKey& key) : key_(key) {
  ensure_sodium();
  static_assert(crypto_stream_chacha20_KEYBYTES == kKeyBytes);
  seek(0);
}

void KeyStream::refill() { seek(position()); }

void KeyStream::seek(std::uint64_t index) {
  const std::uint64_t block = index / kWordsPerBlock;
  std::array<unsigned char, sizeof words_> bytes{};
  static constexpr unsigned char kNonce[crypto_stream_chacha20_NONCEBYTES] = {};
  crypto_stream_chacha20_xor_ic(bytes.data(), bytes.data(), bytes.size(), kNonce, block, key_.data());
  // The cipher's own byte order: each word is little endian.
  for (std::size_t word = 0; word < words_.size(); ++word) {
    const unsigned char* at = &bytes[4 * word];
    words_[word] = static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
                   static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
  }
  firstWord_ = block * kWordsPerBlock;
  next_ = static_cast<std::size_t>(index - firstWord_);
}

}  // namespace novabit
