// The keyed stream behind every draw (the published ChaCha20 keystream, read
// as little-endian words), the SHA-256 behind the key's commitment, and the
// draws made from the stream.

#include "keystream/keyed_generator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "keystream/random_key.h"

namespace novabit {
namespace {

// RFC 8439, appendix A.1, test vectors 1 and 3: the first words of block 0 for
// the zero key, and of block 1 for the key whose last byte is 1.
TEST(KeyStream, GivesThePublishedChaCha20Keystream) {
  EXPECT_EQ(KeyStream().next_word(), 0xade0b876u);
  KeyStream zero;
  for (const std::uint32_t word : {0xade0b876u, 0x903df1a0u, 0xe56a5d40u, 0x28bd8653u}) EXPECT_EQ(zero.next_word(), word);
  RandomKey lastByteOne{};
  lastByteOne[31] = 1;
  KeyStream stream(lastByteOne);
  stream.seek(16);
  for (const std::uint32_t word : {0x2452eb3au, 0x9249f8ecu, 0x8d829d9bu, 0xddd4ceb1u}) EXPECT_EQ(stream.next_word(), word);
  // FIPS 180-2, appendix B.1.
  EXPECT_EQ(sha256_hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(BitSource, DrawsTheTopFifteenBitsOfEachWordAfterTheDiscardedFirst) {
  const RandomKey key = key_from_seed(99);
  KeyStream words(key);
  words.next_word();
  BitSource source;
  EXPECT_EQ(source.random_fraction(0), 0.0);
  source.seed_random(key);
  const double drawn = source.random_fraction(1);
  EXPECT_EQ(drawn, (words.next_word() >> 17) / 32768.0);
  EXPECT_EQ(source.random_fraction(0), drawn);
  EXPECT_EQ(source.random_fraction(-3), (words.next_word() >> 17) / 32768.0);
}

// Draws until every k of interest has come up, watching k on a twin source.
TEST(BitSource, RandomBelowBoundaries) {
  const struct {
    int k;
    std::int32_t n, below;
  } cases[] = {
      {16383, 2, 0}, {16384, 2, 1}, {29491, 10, 8}, {29492, 10, 9}, {32767, 580, 579}, {32767, 600, 599}, {0, 580, 0},
  };
  std::set<std::size_t> seen;
  BitSource source;
  source.seed_random(key_from_seed(2024));
  BitSource twin = source;
  for (long draw = 0; draw < 10'000'000 && seen.size() < std::size(cases); ++draw) {
    const int k = twin.rand();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
      if (cases[i].k == k && seen.insert(i).second) {
        BitSource probe = source;
        EXPECT_EQ(probe.random_below(cases[i].n), cases[i].below) << "k=" << k;
      }
    }
    source.rand();
  }
  EXPECT_EQ(seen.size(), std::size(cases));
}

}  // namespace
}  // namespace novabit
