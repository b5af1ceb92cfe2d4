#pragma once
// The keyed stream behind rand(): the ChaCha20 keystream of a 256-bit key
// (libsodium's crypto_stream_chacha20, nonce zero, 64-bit block counter from
// 0), read as successive 32-bit little-endian words. For block counters below
// 2^32 this is the keystream of RFC 8439 with a zero nonce.

#include <array>
#include <cstdint>

#include "keystream/random_key.h"

namespace novabit {

class KeyStream {
 public:
  explicit KeyStream(const RandomKey& key = {});

  std::uint32_t next_word() {
    if (next_ == words_.size()) refill();
    return words_[next_++];
  }
  // Makes word `index` (counted from 0) the next one, without producing
  // the words before it.
  void seek(std::uint64_t index);
  // The index of the next word.
  std::uint64_t position() const { return firstWord_ + next_; }

 private:
  void refill();

  static constexpr std::size_t kBlocksPerRefill = 16;
  static constexpr std::size_t kWordsPerBlock = 16;
  RandomKey key_;
  std::array<std::uint32_t, kBlocksPerRefill * kWordsPerBlock> words_{};
  std::uint64_t firstWord_ = 0;  // index of words_[0]
  std::size_t next_ = words_.size();
};

}  // namespace novabit
