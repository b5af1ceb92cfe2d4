// The health tests against sources whose first alarms follow from their
// pattern, fed a pass at a time; and the cut-offs against the exact binomial
// tail.

#include <gtest/gtest.h>

#include <boost/multiprecision/cpp_int.hpp>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "experiment/pass_bits.h"
#include "sources/health_tests.h"

namespace novabit {
namespace {

using Big = boost::multiprecision::cpp_int;

// 2^40 P(X >= c) for X ~ binomial(1024, 1/2), compared with 1 exactly.
bool tail_below_alpha(int c) {
  Big tail = 0;
  Big ways = 1;  // C(1024, k)
  for (int k = 0; k <= kAdaptiveWindow; ++k) {
    if (k >= c) tail += ways;
    ways = ways * (kAdaptiveWindow - k) / (k + 1);
  }
  return (tail << kFalseAlarmLog2) < (Big(1) << kAdaptiveWindow);
}

TEST(HealthTestsTest, CutOffsHaveAFalseAlarmProbabilityOfTwoToTheMinusForty) {
  EXPECT_EQ(repetition_count_cutoff(), 41);
  EXPECT_EQ(adaptive_proportion_cutoff(), 625);
  EXPECT_TRUE(tail_below_alpha(adaptive_proportion_cutoff()));
  EXPECT_FALSE(tail_below_alpha(adaptive_proportion_cutoff() - 1)) << "the smallest such count";
}

struct Pattern {
  const char* name;
  std::function<int(std::uint64_t bit)> bitAt;  // bit number from 1
  std::optional<std::uint64_t> firstRepetition;
  std::optional<std::uint64_t> firstAdaptive;
};

void PrintTo(const Pattern& pattern, std::ostream* out) { *out << pattern.name; }

class HealthPatternTest : public ::testing::TestWithParam<Pattern> {};

TEST_P(HealthPatternTest, FiresTheRightTestAtTheRightBit) {
  HealthTests tests;
  std::optional<std::uint64_t> repetition;
  std::optional<std::uint64_t> adaptive;
  std::uint64_t bit = 1;
  for (int pass = 0; pass < 40; ++pass) {
    PassBytes bytes{};
    for (std::uint8_t& byte : bytes) {
      for (int place = 7; place >= 0; --place) byte |= static_cast<std::uint8_t>(GetParam().bitAt(bit++) << place);
    }
    const HealthAlarms alarms = tests.check(bytes);
    if (!repetition) repetition = alarms.repetitionCount;
    if (!adaptive) adaptive = alarms.adaptiveProportion;
  }
  EXPECT_EQ(repetition, GetParam().firstRepetition);
  EXPECT_EQ(adaptive, GetParam().firstAdaptive);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, HealthPatternTest,
    ::testing::Values(Pattern{"StuckAtOne", [](std::uint64_t) { return 1; }, 41, 625},
                      // Three ones in four: the first window's 625th one is bit 4 * 208 + 1.
                      Pattern{"BiasedToOne", [](std::uint64_t bit) { return bit % 4 == 0 ? 0 : 1; }, std::nullopt, 833},
                      // The second window starts with a zero and so counts zeros: it never fires.
                      Pattern{"BiasedAfterAWindow", [](std::uint64_t bit) { return int(bit <= 1024 ? bit % 2 : bit % 4 != 1); },
                              std::nullopt, std::nullopt},
                      Pattern{"FortyEqualThenAlternating", [](std::uint64_t bit) { return bit <= 40 ? 0 : int(bit % 2); },
                              std::nullopt, std::nullopt},
                      // Forty-one ones from bit 198, the first three at the end of the first pass.
                      Pattern{"FortyOneEqualAcrossPasses",
                              [](std::uint64_t bit) { return int(bit % 2 == 0 || (bit >= 198 && bit <= 238)); }, 238,
                              std::nullopt}));

TEST(HealthTestsTest, ALastingRunFiresAgainEveryFortyBitsAndEachPassNamesItsAlarms) {
  HealthTests tests;
  PassBytes ones;
  ones.fill(0xFF);
  std::vector<std::string> passes;
  for (int pass = 1; pass <= 4; ++pass) {
    const HealthAlarms alarms = tests.check(ones);
    passes.push_back(std::to_string(alarms.repetitionCount.value_or(0)) + " " + alarms.names());
  }
  EXPECT_EQ(passes, (std::vector<std::string>{"41 repetition_count", "201 repetition_count", "401 repetition_count",
                                              "601 repetition_count adaptive_proportion"}));
}

}  // namespace
}  // namespace novabit
