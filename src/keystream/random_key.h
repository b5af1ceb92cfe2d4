#pragma once
// The 256-bit secret behind a run's random draws: made from the system's
// entropy for a live run, read back from its seal, or derived from a number
// for simulations.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/failure.h"

namespace novabit {

inline constexpr std::size_t kKeyBytes = 32;
using RandomKey = std::array<std::uint8_t, kKeyBytes>;

// 64 lower-case hexadecimal digits.
std::string key_hex(const RandomKey& key);
// Exactly 64 hexadecimal digits of either case; nothing otherwise.
std::optional<RandomKey> key_from_hex(std::string_view hex);

// A fresh key from the kernel's entropy (getrandom), or the system's reason
// when none can be had.
Result<RandomKey> entropy_key();

// The key of a simulation numbered `seed`: the SHA-256 digest of the text
// "novabit seed " followed by the number in decimal, so that "--seed 42"
// always means the digest of "novabit seed 42".
RandomKey key_from_seed(std::int64_t seed);

// SHA-256 of `bytes` as 64 lower-case hexadecimal digits.
std::string sha256_hex(std::string_view bytes);

// The commitment to a run's key published before any result: the SHA-256 of
// the seal's key line "key=<hex>" without its line end.
std::string key_commitment(const RandomKey& key);

}  // namespace novabit
