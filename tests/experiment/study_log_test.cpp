// Every form of every record of the study log, byte for byte, as it reaches the disk.

#include "experiment/study_log.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/fakes.h"
#include "support/files.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit {
namespace {

const std::string kStamp = "12-05-2026 - 22:10:00";

std::string blanks(int count) { return std::string(static_cast<std::size_t>(count), ' '); }

struct RecordCase {
  const char* name;
  std::function<void(ExperimentState&)> prepare;
  std::function<void(StudyLog&, const ExperimentState&)> write;
  std::string bytes;
};

void quarter(ExperimentState& s, int zeros, int ones, int zeroSum, int oneSum, float oneGlobal, int oneWins,
             int zeroGlobal, int zeroWins) {
  s.quarterZeros = zeros;
  s.quarterOnes = ones;
  s.quarterZeroDevSum = zeroSum;
  s.quarterOneDevSum = oneSum;
  s.globalOneAvgSum = oneGlobal;
  s.quarterOneWins = static_cast<std::uint64_t>(oneWins);
  s.globalZeroAvgSum = zeroGlobal;
  s.quarterZeroWins = zeroWins;
}

const auto kQuarter = [](Leaning leaning) {
  return [leaning](StudyLog& log, const ExperimentState& state) { log.write_quarter_record(state, leaning); };
};
const auto kFive = [](Leaning leaning) {
  return [leaning](StudyLog& log, const ExperimentState& state) { log.write_five_minute_record(state, leaning); };
};

const RecordCase kRecords[] = {
    {"quarter won by zeros: every line but the first ends in a blank",
     [](ExperimentState& s) { quarter(s, 90312, 89688, 6, 6, 25, 1, 24, 3); }, kQuarter(Leaning::zero),
     ">>>>>" + kStamp + " checkpoint 15 min 0 > 1 :  90312" + blanks(11) + " 89688\r\n" +
         "     0 -> Desvio medio al CERO en \xFAltimos 15 min en %:  6.00 \r\n"
         "     Desvio medio global hacia el UNO en %: 25.00 \r\n"
         "     Desvio medio global hacia el CERO en %:  8.00 \r\n"},
    {"quarter won by ones: its global lines end without a blank",
     [](ExperimentState& s) { quarter(s, 89590, 90410, 0, 7, 25, 2, 18, 2); }, kQuarter(Leaning::one),
     ">>>>>" + kStamp + " checkpoint 15 min 1 > 0 :  90410" + blanks(11) + " 89590\r\n" +
         "     1 -> Desvio medio al UNO en \xFAltimos 15 min en %:  7.00 \r\n"
         "     Desvio medio global hacia el UNO en %: 12.50\r\n"
         "     Desvio medio global hacia el CERO en %:  9.00\r\n"},
    {"balanced quarter",
     [](ExperimentState& s) { quarter(s, 90000, 90000, 0, 0, 19, 1, 18, 2); }, kQuarter(Leaning::balance),
     ">>>>>" + kStamp + " checkpoint 15min 0 = 1 :  90000" + blanks(12) + " 90000\r\n" +
         "     0 <=> 1 Equilibrio absoluto entre ceros y unos en \xFAltimos 15 min\r\n"
         "     Desvio medio global hacia el UNO en %: 19.00\r\n"
         "     Desvio medio global hacia el CERO en %:  9.00\r\n"},
    {"first quarter: a side without wins has no average, a six-digit count keeps the zone",
     [](ExperimentState& s) { quarter(s, 100000, 80000, 6, 0, 5, 0, 6, 1); }, kQuarter(Leaning::zero),
     ">>>>>" + kStamp + " checkpoint 15 min 0 > 1 :  100000" + blanks(10) + " 80000\r\n" +
         "     0 -> Desvio medio al CERO en \xFAltimos 15 min en %:  6.00 \r\n"
         "     Desvio medio global hacia el UNO en %: --.-- \r\n"
         "     Desvio medio global hacia el CERO en %:  6.00 \r\n"},
    {"five minutes won by zeros",
     [](ExperimentState& s) { s.fiveMinZeros = 30125, s.fiveMinOnes = 29875, s.fiveMinZeroDevSum = 6; },
     kFive(Leaning::zero),
     kStamp + " checkpoint 5 min. 0 > 1 :  30125" + blanks(2) + " 29875\r\n" + blanks(18) +
         "Desvio medio al CERO en \xFAltimos 5 min en %:  6.00 \r\n"},
    {"five minutes won by ones",
     [](ExperimentState& s) { s.fiveMinZeros = 29880, s.fiveMinOnes = 30120, s.fiveMinOneDevSum = 5; },
     kFive(Leaning::one),
     kStamp + " checkpoint 5 min. 1 > 0 :  30120" + blanks(2) + " 29880\r\n" + blanks(18) +
         "Desvio medio al UNO en \xFAltimos 5 min en %:  5.00 \r\n"},
    {"balanced five minutes", [](ExperimentState& s) { s.fiveMinZeros = s.fiveMinOnes = 30000; },
     kFive(Leaning::balance),
     kStamp + " checkpoint 5min. 0 = 1 :  30000" + blanks(3) + " 30000\r\n" + blanks(26) +
         "0=1 Equilibrio absoluto entre CEROS y UNOS en \xFAltimos 5 min\r\n"},
    {"cycle: no blank after the date", [](ExperimentState& s) { s.cyclesCompleted = 1; },
     [](StudyLog& log, const ExperimentState& state) { log.write_cycle_record(state); },
     "12-05-2026ciclos de 12 horas completados:  1\r\n"},
};

TEST(StudyLogTest, EveryRecordFormByteForByte) {
  for (const RecordCase& record : kRecords) {
    const testing::ScratchDirectory directory(true);
    ChannelTable channels(nullptr, nullptr);
    Printer printer(channels);
    const testing::FixedWallClock wallClock({2026, 12, 5, 22, 10, 0});
    StudyLog log(printer, wallClock);
    ASSERT_EQ(log.open(1), ResultCode::ok);
    EXPECT_EQ(log.name(), "estudio_12-05-2026");
    ExperimentState state;
    state.logFileNumber = 1;
    record.prepare(state);
    record.write(log, state);
    // Read while the file is still open: a record is on disk once written.
    EXPECT_EQ(testing::file_bytes(log.name()), record.bytes) << record.name;
  }
}

}  // namespace
}  // namespace novabit
