// The records of the study log, byte for byte, as they reach the disk.

#include "experiment/study_log.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "experiment/test_doubles.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit {
namespace {

using testing::file_bytes;
using testing::FixedWallClock;
using testing::WorkingDirectory;

const LocalTime kRecordTime{2026, 12, 5, 22, 10, 0};
const std::string kStamp = "12-05-2026 - 22:10:00";

std::string blanks(int count) { return std::string(static_cast<std::size_t>(count), ' '); }

class StudyLogTest : public ::testing::Test {
 protected:
  StudyLogTest() {
    channels_.set_durable_writes(false);
    state_.logFileNumber = 1;
  }

  // Opens the log and returns its bytes after `write` has run: the file is
  // read while still open, so it shows what the records committed.
  std::string written(const std::function<void(StudyLog&)>& write) {
    StudyLog log(printer_, wallClock_);
    EXPECT_EQ(log.open(1), ResultCode::ok);
    write(log);
    return file_bytes(directory_.path() / log.name());
  }

  WorkingDirectory directory_;
  ChannelTable channels_{nullptr, nullptr};
  Printer printer_{channels_};
  FixedWallClock wallClock_{kRecordTime};
  ExperimentState state_;
};

TEST_F(StudyLogTest, OpensTheFileNamedForTodayAndWritesNothing) {
  StudyLog log(printer_, wallClock_);
  ASSERT_EQ(log.open(1), ResultCode::ok);
  EXPECT_EQ(log.name(), "estudio_12-05-2026");
  EXPECT_EQ(file_bytes(directory_.path() / "estudio_12-05-2026"), "");
}

// A quarter won by zeros: every line but the first ends in a blank.
TEST_F(StudyLogTest, QuarterRecordZeroForm) {
  state_.quarterZeros = 90312;
  state_.quarterOnes = 89688;
  state_.quarterZeroDevSum = 6;
  state_.quarterOneDevSum = 6;
  state_.globalZeroAvgSum = 24;
  state_.quarterZeroWins = 3;
  state_.globalOneAvgSum = 25.0F;
  state_.quarterOneWins = 1;
  const std::string line1 = ">>>>>" + kStamp + " checkpoint 15 min 0 > 1 :  90312" + blanks(11) + " 89688\r\n";
  EXPECT_EQ(line1.size(), 78U);
  EXPECT_EQ(written([&](StudyLog& log) { log.write_quarter_record(state_, Leaning::zero); }),
            line1 +
                "     0 -> Desvio medio al CERO en \xFAltimos 15 min en %:  6.00 \r\n"
                "     Desvio medio global hacia el UNO en %: 25.00 \r\n"
                "     Desvio medio global hacia el CERO en %:  8.00 \r\n");
}

// The five-minute record that follows it in the same pass.
TEST_F(StudyLogTest, FiveMinuteRecordZeroForm) {
  state_.fiveMinZeros = 30125;
  state_.fiveMinOnes = 29875;
  state_.fiveMinZeroDevSum = 6;
  EXPECT_EQ(written([&](StudyLog& log) { log.write_five_minute_record(state_, Leaning::zero); }),
            kStamp + " checkpoint 5 min. 0 > 1 :  30125" + blanks(2) + " 29875\r\n" + blanks(18) +
                "Desvio medio al CERO en \xFAltimos 5 min en %:  6.00 \r\n");
}

// A quarter won by ones: its global lines end without a blank.
TEST_F(StudyLogTest, QuarterRecordOneForm) {
  state_.quarterZeros = 89590;
  state_.quarterOnes = 90410;
  state_.quarterOneDevSum = 7;
  state_.globalOneAvgSum = 25.0F;
  state_.quarterOneWins = 2;
  state_.globalZeroAvgSum = 18;
  state_.quarterZeroWins = 2;
  EXPECT_EQ(written([&](StudyLog& log) { log.write_quarter_record(state_, Leaning::one); }),
            ">>>>>" + kStamp + " checkpoint 15 min 1 > 0 :  90410" + blanks(11) + " 89590\r\n" +
                "     1 -> Desvio medio al UNO en \xFAltimos 15 min en %:  7.00 \r\n"
                "     Desvio medio global hacia el UNO en %: 12.50\r\n"
                "     Desvio medio global hacia el CERO en %:  9.00\r\n");
}

// A balanced quarter: no blank inside "15min", no average of its own.
TEST_F(StudyLogTest, QuarterRecordBalanceForm) {
  state_.quarterZeros = 90000;
  state_.quarterOnes = 90000;
  state_.globalOneAvgSum = 19.0F;
  state_.quarterOneWins = 1;
  state_.globalZeroAvgSum = 18;
  state_.quarterZeroWins = 2;
  EXPECT_EQ(written([&](StudyLog& log) { log.write_quarter_record(state_, Leaning::balance); }),
            ">>>>>" + kStamp + " checkpoint 15min 0 = 1 :  90000" + blanks(12) + " 90000\r\n" +
                "     0 <=> 1 Equilibrio absoluto entre ceros y unos en \xFAltimos 15 min\r\n"
                "     Desvio medio global hacia el UNO en %: 19.00\r\n"
                "     Desvio medio global hacia el CERO en %:  9.00\r\n");
}

// Five minutes won by ones.
TEST_F(StudyLogTest, FiveMinuteRecordOneForm) {
  state_.fiveMinZeros = 29880;
  state_.fiveMinOnes = 30120;
  state_.fiveMinOneDevSum = 5;
  EXPECT_EQ(written([&](StudyLog& log) { log.write_five_minute_record(state_, Leaning::one); }),
            kStamp + " checkpoint 5 min. 1 > 0 :  30120" + blanks(2) + " 29880\r\n" + blanks(18) +
                "Desvio medio al UNO en \xFAltimos 5 min en %:  5.00 \r\n");
}

// Balanced five minutes.
TEST_F(StudyLogTest, FiveMinuteRecordBalanceForm) {
  state_.fiveMinZeros = 30000;
  state_.fiveMinOnes = 30000;
  EXPECT_EQ(written([&](StudyLog& log) { log.write_five_minute_record(state_, Leaning::balance); }),
            kStamp + " checkpoint 5min. 0 = 1 :  30000" + blanks(3) + " 30000\r\n" + blanks(26) +
                "0=1 Equilibrio absoluto entre CEROS y UNOS en \xFAltimos 5 min\r\n");
}

// The first cycle's record, written on the day after the start.
TEST_F(StudyLogTest, CycleRecordHasNoBlankAfterTheDate) {
  state_.cyclesCompleted = 1;
  EXPECT_EQ(written([&](StudyLog& log) {
              wallClock_.set({2026, 12, 6, 10, 10, 1});
              log.write_cycle_record(state_);
            }),
            "12-06-2026ciclos de 12 horas completados:  1\r\n");
}

// The first quarter: the side that has won nothing has no average, and its
// field shows dashes while the rest of the line stays in place.
TEST_F(StudyLogTest, AverageWithoutWinsIsWrittenAsDashes) {
  state_.quarterZeros = 90312;
  state_.quarterOnes = 89688;
  state_.quarterZeroDevSum = 6;
  state_.globalZeroAvgSum = 6;
  state_.quarterZeroWins = 1;
  state_.globalOneAvgSum = 5.0F;
  const std::string zeroForm = written([&](StudyLog& log) { log.write_quarter_record(state_, Leaning::zero); });
  EXPECT_NE(zeroForm.find("\r\n     Desvio medio global hacia el UNO en %: --.-- \r\n"
                          "     Desvio medio global hacia el CERO en %:  6.00 \r\n"),
            std::string::npos)
      << zeroForm;
}

TEST_F(StudyLogTest, SixDigitCountStillPutsTheSecondCountAtColumn71) {
  state_.quarterZeros = 100000;
  state_.quarterOnes = 80000;
  const std::string record = written([&](StudyLog& log) { log.write_quarter_record(state_, Leaning::zero); });
  const std::string line1 = record.substr(0, record.find("\r\n"));
  EXPECT_EQ(line1, ">>>>>" + kStamp + " checkpoint 15 min 0 > 1 :  100000" + blanks(10) + " 80000");
  EXPECT_EQ(line1.find(" 80000"), 70U);
}

TEST_F(StudyLogTest, EachRecordTakesTheTimeOfItsWriting) {
  state_.cyclesCompleted = 2;
  const std::string expectedStart =
      "12-05-2026ciclos de 12 horas completados:  2\r\n"
      "12-07-2026 - 00:00:05 checkpoint 5min. 0 = 1 : ";
  const std::string bytes = written([&](StudyLog& log) {
    log.write_cycle_record(state_);
    wallClock_.set({2026, 12, 7, 0, 0, 5});
    log.write_five_minute_record(state_, Leaning::balance);
  });
  EXPECT_EQ(bytes.substr(0, expectedStart.size()), expectedStart);
}

}  // namespace
}  // namespace novabit
