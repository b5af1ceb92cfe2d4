#include "textio/bit_source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>

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
  expect_same_draws(source, twin);
}

TEST(BitSource, AnyNonZeroSelectorDraws) {
  BitSource source = seeded(5);
  BitSource twin = seeded(5);
  EXPECT_EQ(source.random_fraction(-3), twin.rand() / 32768.0);
  EXPECT_EQ(source.random_fraction(7), twin.rand() / 32768.0);
}

TEST(BitSource, FractionsAreWholeMultiplesOfTheUnitBelowOne) {
  BitSource source = seeded(42);
  for (int i = 0; i < 100000; ++i) {
    const double fraction = source.random_fraction(1);
    ASSERT_GE(fraction, 0.0);
    ASSERT_LT(fraction, 1.0);
    ASSERT_EQ(fraction * 32768.0, std::floor(fraction * 32768.0));
  }
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
  expect_same_draws(seeded(1e300), seeded(1e300));
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
      {16383, 2, 0},   {16384, 2, 1},   {29491, 10, 8},  {29492, 10, 9},
      {32767, 580, 579}, {0, 580, 0},   {32767, 600, 599}, {32767, 2, 1},
  };
  std::map<int, bool> seen;
  BitSource source = seeded(2024);
  BitSource twin = seeded(2024);
  for (long draw = 0; draw < 20'000'000 && seen.size() < std::size(cases); ++draw) {
    const int k = twin.rand();
    for (const auto& c : cases) {
      if (c.k == k && !seen.contains(&c - cases)) {
        BitSource probe = source;
        EXPECT_EQ(probe.random_below(c.n), c.below) << "k=" << k << " n=" << c.n;
        seen[static_cast<int>(&c - cases)] = true;
      }
    }
    source.rand();
  }
  EXPECT_EQ(seen.size(), std::size(cases));
}

TEST(BitSource, RandomBelowIsFloorOfKTimesNOver32768) {
  BitSource source = seeded(31337);
  BitSource twin = seeded(31337);
  for (int i = 0; i < 50000; ++i) {
    const std::int32_t n = (i % 4 == 0) ? 2 : (i % 4 == 1) ? 10 : (i % 4 == 2) ? 580 : 600;
    const long k = twin.rand();
    ASSERT_EQ(source.random_below(n), k * n / 32768) << i;
  }
}

}  // namespace
}  // namespace novabit
