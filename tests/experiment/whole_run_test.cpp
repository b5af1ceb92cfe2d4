// Whole runs through the real driver on a virtual clock, against a log that
// an independent model of the experiment builds from the same seed.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "experiment/experiment_driver.h"
#include "experiment/test_doubles.h"
#include "textio/bit_source.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing::file_bytes;
using testing::local_time_of;
using testing::PassCounts;
using testing::ScriptedKeys;
using testing::SteppingClock;
using testing::VirtualWallClock;
using testing::WorkingDirectory;

class CountingDisplay final : public MonitorDisplay {
 public:
  std::vector<PassCounts> passes;
  void draw_frame(const RunStart&) override {}
  void draw_side_panel(std::int32_t) override {}
  void print_bit(std::int32_t) override {}
  void print_status_line(std::int32_t, std::int32_t zeros, std::int32_t ones) override {
    passes.push_back({zeros, ones});
  }
  void print_deviation_line(std::int32_t, std::int32_t, std::int32_t) override {}
  void plot_second_point(std::int32_t, std::int32_t, std::uint32_t) override {}
  void draw_checkpoint_dot(std::int32_t, std::int32_t, std::int32_t, std::uint32_t) override {}
  void redraw_cycle_display(const CyclePanel&, const RunStart&) override {}
  void print_separator() override {}
};

// The model's own arithmetic and text: whole-number rounding with ties to
// even, "%.4f" cut to two decimals, zones as multiples of 14 columns.
int rounded_mean(int sum, int count) {
  if (count == 0) return 0;
  int quotient = sum / count;
  const int twiceRemainder = 2 * (sum % count);
  if (twiceRemainder > count || (twiceRemainder == count && quotient % 2 != 0)) ++quotient;
  return quotient;
}

std::string percent(std::optional<double> value) {
  if (!value) return "--.--";
  EXPECT_LT(*value, 1000.0);
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", *value);
  std::string cut(text, std::string(text).find('.') + 3);
  return std::string(cut.size() < 5 ? 5 - cut.size() : 0, ' ') + cut;
}

std::string zone_to_next(std::string line) {
  do line += ' ';
  while (line.size() % 14 != 0);
  return line;
}

std::string two_digits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string date_of(const LocalTime& t) {
  return two_digits(t.month) + "-" + two_digits(t.day) + "-" + std::to_string(t.year);
}
std::string time_of(const LocalTime& t) {
  return two_digits(t.hour) + ":" + two_digits(t.minute) + ":" + two_digits(t.second);
}

struct Period {
  int zeros = 0, ones = 0, zeroSum = 0, zeroSeconds = 0, oneSum = 0, oneSeconds = 0;
};

struct ModelRun {
  std::vector<PassCounts> passes;
  std::string log;
};

// The experiment as a plain loop: the same draws in the same order, the
// periods counted and the records written line by line.
ModelRun model_run(int passCount, std::chrono::sys_seconds firstPassTime) {
  BitSource bits;
  bits.seed_random(testing::kTestKey);
  int windowStart = bits.random_below(580) + 60;
  int forcedBit = bits.random_below(2);
  int minute = 0, second = 0, cycles = 0;
  Period five, quarter;
  int zeroTotal = 0, zeroWins = 0, oneWins = 0;
  double oneTotal = 0;
  ModelRun run;
  const std::string crlf = "\r\n";
  for (int pass = 1; pass <= passCount; ++pass) {
    const LocalTime now = local_time_of(firstPassTime + std::chrono::seconds(pass - 1));
    const std::string stamp = date_of(now) + " - " + time_of(now);
    const bool forced = bits.random_below(10) == 9 && minute > windowStart && minute < windowStart + 100;
    PassCounts counts;
    for (int i = 0; i < 200; ++i) {
      const int bit = forced ? (bits.random_below(2), forcedBit) : bits.random_below(2);
      (bit == 0 ? counts.zeros : counts.ones) += 1;
    }
    run.passes.push_back(counts);
    for (Period* period : {&five, &quarter}) {
      period->zeros += counts.zeros;
      period->ones += counts.ones;
      if (counts.zeros > counts.ones) period->zeroSum += counts.zeros - 100, period->zeroSeconds += 1;
      if (counts.ones > counts.zeros) period->oneSum += counts.ones - 100, period->oneSeconds += 1;
    }
    if (pass % 900 == 0) {
      const int zeroMean = rounded_mean(quarter.zeroSum, quarter.zeroSeconds);
      const int oneMean = rounded_mean(quarter.oneSum, quarter.oneSeconds);
      zeroTotal += zeroMean;
      oneTotal += oneMean;
      zeroWins += quarter.zeros > quarter.ones;
      oneWins += quarter.ones > quarter.zeros;
      const std::optional<double> oneGlobal = oneWins ? std::optional(oneTotal / oneWins) : std::nullopt;
      const std::optional<double> zeroGlobal =
          zeroWins ? std::optional(double(zeroTotal) / zeroWins) : std::nullopt;
      const bool zerosAhead = quarter.zeros > quarter.ones;
      const bool onesAhead = quarter.ones > quarter.zeros;
      const std::string trailing = zerosAhead ? " " : "";
      const std::string heading = zerosAhead  ? " checkpoint 15 min 0 > 1 : "
                                  : onesAhead ? " checkpoint 15 min 1 > 0 : "
                                              : " checkpoint 15min 0 = 1 : ";
      const int first = onesAhead ? quarter.ones : quarter.zeros;
      const int other = onesAhead ? quarter.zeros : quarter.ones;
      run.log += zone_to_next(">>>>>" + stamp + heading + " " + std::to_string(first)) + " " +
                 std::to_string(other) + crlf;
      if (zerosAhead) {
        run.log += "     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: " + percent(zeroMean) + " " + crlf;
      } else if (onesAhead) {
        run.log += "     1 -> Desvio medio al UNO en \xFAltimos 15 min en %: " + percent(oneMean) + " " + crlf;
      } else {
        run.log += "     0 <=> 1 Equilibrio absoluto entre ceros y unos en \xFAltimos 15 min" + crlf;
      }
      run.log += "     Desvio medio global hacia el UNO en %: " + percent(oneGlobal) + trailing + crlf;
      run.log += "     Desvio medio global hacia el CERO en %: " + percent(zeroGlobal) + trailing + crlf;
      quarter = Period{};
    }
    if (pass % 300 == 0) {
      const bool zerosAhead = five.zeros > five.ones;
      const bool onesAhead = five.ones > five.zeros;
      const std::string heading = zerosAhead  ? " checkpoint 5 min. 0 > 1 : "
                                  : onesAhead ? " checkpoint 5 min. 1 > 0 : "
                                              : " checkpoint 5min. 0 = 1 : ";
      const int first = onesAhead ? five.ones : five.zeros;
      const int other = onesAhead ? five.zeros : five.ones;
      run.log += zone_to_next(stamp + heading + " " + std::to_string(first)) + " " + std::to_string(other) + crlf;
      const std::string indent(18, ' ');
      if (zerosAhead) {
        run.log += indent + "Desvio medio al CERO en \xFAltimos 5 min en %: " +
                   percent(rounded_mean(five.zeroSum, five.zeroSeconds)) + " " + crlf;
      } else if (onesAhead) {
        run.log += indent + "Desvio medio al UNO en \xFAltimos 5 min en %: " +
                   percent(rounded_mean(five.oneSum, five.oneSeconds)) + " " + crlf;
      } else {
        run.log += std::string(26, ' ') + "0=1 Equilibrio absoluto entre CEROS y UNOS en \xFAltimos 5 min" + crlf;
      }
      five = Period{};
    }
    if (minute == 720) {
      forcedBit = bits.random_below(2);
      windowStart = bits.random_below(600) + 10;
      minute = second = 0;
      ++cycles;
      run.log += date_of(now) + "ciclos de 12 horas completados:  " + std::to_string(cycles) + crlf;
    } else if (++second == 60) {
      second = 0;
      ++minute;
    }
  }
  return run;
}

TEST(WholeRunTest, TwoCyclesMatchTheModelByteForByte) {
  constexpr int kPasses = 90000;
  // Clock second 1000, when the first pass runs, is 21:59:10 local time; the
  // run crosses midnight and ends two cycles.
  const std::chrono::sys_seconds firstPassTime = std::chrono::sys_days{2026y / 12 / 5} + 21h + 59min + 10s;
  WorkingDirectory directory;
  SteppingClock clock(1000.25L, 1.0L / 64);
  const VirtualWallClock wallClock(clock, firstPassTime - 1000s);
  ScriptedKeys keys;
  CountingDisplay display;
  ChannelTable channels(nullptr, nullptr);
  channels.set_durable_writes(false);
  Printer printer(channels);
  BitSource bits;
  GivenKey sealer(testing::kTestKey);
  ExperimentDriver driver({display, printer, bits, clock, wallClock, keys, sealer});
  ASSERT_EQ(driver.start(), StartResult::ready);
  ASSERT_EQ(driver.run(kPasses), RunEnd::pass_limit);
  channels.close_all_channels();

  const ModelRun model = model_run(kPasses, firstPassTime);
  ASSERT_EQ(display.passes.size(), model.passes.size());
  for (std::size_t pass = 0; pass < model.passes.size(); ++pass) {
    ASSERT_EQ(display.passes[pass], model.passes[pass]) << "pass " << pass + 1;
  }
  const std::string log = file_bytes(directory.path() / "estudio_12-05-2026");
  EXPECT_EQ(log.size(), model.log.size());
  EXPECT_TRUE(log == model.log);
  for (std::size_t at = 0, line = 1; at < std::min(log.size(), model.log.size()); ++at) {
    if (log[at] != model.log[at]) {
      ADD_FAILURE() << "first difference in line " << line << ":\n"
                    << log.substr(log.rfind('\n', at) + 1, 90) << "\n"
                    << model.log.substr(model.log.rfind('\n', at) + 1, 90);
      break;
    }
    line += log[at] == '\n';
  }
  // The run did what the model is meant to check: records of every kind.
  EXPECT_NE(model.log.find("ciclos de 12 horas completados:  2\r\n"), std::string::npos);
  EXPECT_NE(model.log.find(" 1 > 0 : "), std::string::npos);
  EXPECT_NE(model.log.find(" 0 > 1 : "), std::string::npos);
  EXPECT_NE(model.log.find("12-06-2026 - "), std::string::npos);
  EXPECT_GT(std::count(model.passes.begin(), model.passes.end(), PassCounts{0, 200}) +
                std::count(model.passes.begin(), model.passes.end(), PassCounts{200, 0}),
            500);
}

}  // namespace
}  // namespace novabit
