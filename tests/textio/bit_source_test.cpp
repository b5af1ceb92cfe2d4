#include "textio/bit_source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>

#include "textio/seconds_clock.h"

namespace novabit {
namespace {

class FixedClock final : public SecondsClock {
 public:
  explicit FixedClock(long double seconds) : seconds_(seconds) {}
  long double clock_seconds() override { return seconds_; }

 private:
  long double seconds_;
};

BitSource seeded(double seed) {
  FixedClock clock(0);
  BitSource source;
  source.seed_random(seed, clock);
  return source;
}

void expect_same_draws(BitSource a, BitSource b) {
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(a.rand(), b.rand()) << i;
  }
}

TEST(BitSource, FractionZeroRepeatsTheLastDrawWithoutDrawing) {
  BitSource source = seeded(99);
  BitSource twin = seeded(99);
  EXPECT_EQ(BitSource{}.random_fraction(0), 0.0);

  const double drawn = source.random_fraction(1);
  EXPECT_EQ(source.random_fraction(0), drawn);
  EXPECT_EQ(source.random_fraction(0), drawn);
  EXPECT_EQ(drawn, twin.rand() / 32768.0);
  EXPECT_EQ(source.random_fraction(-3), twin.rand() / 32768.0);
  expect_same_draws(source, twin);
}

TEST(BitSource, FirstDrawIsTheEngineSecondValue) {
  std::mt19937 engine(1234);
  engine();
  const int second = static_cast<int>(engine() >> 17);
  EXPECT_EQ(seeded(1234).random_fraction(1), second / 32768.0);
}

TEST(BitSource, SeedIsTruncatedTowardZero) {
  expect_same_draws(seeded(1234.99), seeded(1234.01));
  expect_same_draws(seeded(1234.99), seeded(1234));
  expect_same_draws(seeded(-2.7), seeded(-2));

  std::mt19937 engine(0xFFFFFFFEu);
  engine();
  EXPECT_EQ(seeded(-2.7).rand(), static_cast<int>(engine() >> 17));
}

TEST(BitSource, MinusOneAndNaNSeedFromTheClock) {
  FixedClock clock(777.6L);
  BitSource fromMinusOne;
  fromMinusOne.seed_random(-1.0, clock);
  BitSource fromNaN;
  fromNaN.seed_random(std::numeric_limits<double>::quiet_NaN(), clock);
  expect_same_draws(fromMinusOne, seeded(777));
  expect_same_draws(fromNaN, seeded(777));
}

TEST(BitSource, SeedsBeyondThirtyTwoBitsWrapSafely) {
  expect_same_draws(seeded(4294967296.0 + 5), seeded(5));
  expect_same_draws(seeded(2147483648.0), seeded(-2147483648.0));
  expect_same_draws(seeded(std::numeric_limits<double>::infinity()), seeded(2147483647));
  expect_same_draws(seeded(-std::numeric_limits<double>::infinity()), seeded(-2147483648.0));
}

// Draws until every k of interest has come up, watching k on a twin source.
TEST(BitSource, RandomBelowBoundaries) {
  const struct {
    int k;
    std::int32_t n;
    std::int32_t below;
  } cases[] = {
      {16383, 2, 0},     {16384, 2, 1},     {29491, 10, 8}, {29492, 10, 9},
      {32767, 580, 579}, {32767, 600, 599}, {0, 580, 0},
  };
  std::set<std::size_t> seen;
  BitSource source = seeded(2024);
  BitSource twin = seeded(2024);
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
