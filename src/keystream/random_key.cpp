#include "keystream/random_key.h"

#include <sodium.h>
#include <sys/random.h>

#include <cerrno>

#include "keystream/sodium_library.h"

namespace novabit {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

int hex_digit(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  return -1;
}

std::string hex_of(const unsigned char* bytes, std::size_t count) {
  std::string text;
  text.reserve(2 * count);
  for (std::size_t index = 0; index < count; ++index) {
    text += kHexDigits[bytes[index] >> 4];
    text += kHexDigits[bytes[index] & 0x0F];
  }
  return text;
}

}  // namespace

std::string key_hex(const RandomKey& key) { return hex_of(key.data(), key.size()); }

std::optional<RandomKey> key_from_hex(std::string_view hex) {
  if (hex.size() != 2 * kKeyBytes) return std::nullopt;
  RandomKey key{};
  for (std::size_t index = 0; index < kKeyBytes; ++index) {
    const int high = hex_digit(hex[2 * index]);
    const int low = hex_digit(hex[2 * index + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    key[index] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return key;
}

Result<RandomKey> entropy_key() {
  RandomKey key{};
  std::size_t filled = 0;
  while (filled < key.size()) {
    const ssize_t got = getrandom(key.data() + filled, key.size() - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return system_failure("no entropy from the kernel");
    }
    filled += static_cast<std::size_t>(got);
  }
  return key;
}

std::string sha256_hex(std::string_view bytes) {
  ensure_sodium();
  unsigned char digest[crypto_hash_sha256_BYTES];
  crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  return hex_of(digest, sizeof digest);
}

std::string key_commitment(const RandomKey& key) { return sha256_hex("key=" + key_hex(key)); }

RandomKey key_from_seed(std::int64_t seed) {
  ensure_sodium();
  const std::string text = "novabit seed " + std::to_string(seed);
  RandomKey key{};
  static_assert(crypto_hash_sha256_BYTES == kKeyBytes);
  crypto_hash_sha256(key.data(), reinterpret_cast<const unsigned char*>(text.data()), text.size());
  return key;
}

}  // namespace novabit
