// The study log checker on a short log holding every record form, and on
// copies of it with one fault each: it must name the first faulty line.

#include "simulator/study_log_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

namespace novabit::testing {
namespace {

std::string blanks(std::size_t count) { return std::string(count, ' '); }

// Line 1 of a quarter record: the second count always starts in column 71.
const std::vector<std::string> kLines = {
    "12-05-2026 - 22:14:59 checkpoint 5 min. 0 > 1 :  30125" + blanks(2) + " 29875",
    "                  Desvio medio al CERO en \xFAltimos 5 min en %:  6.00 ",
    ">>>>>12-05-2026 - 22:24:59 checkpoint 15 min 0 > 1 :  90312" + blanks(11) + " 89688",
    "     0 -> Desvio medio al CERO en \xFAltimos 15 min en %:  6.00 ",
    "     Desvio medio global hacia el UNO en %: --.-- ",
    "     Desvio medio global hacia el CERO en %:  6.00 ",
    "12-05-2026 - 22:24:59 checkpoint 5 min. 1 > 0 :  30120" + blanks(2) + " 29880",
    "                  Desvio medio al UNO en \xFAltimos 5 min en %:  5.00 ",
    ">>>>>12-05-2026 - 22:39:59 checkpoint 15 min 1 > 0 :  100410" + blanks(10) + " 79590",
    "     1 -> Desvio medio al UNO en \xFAltimos 15 min en %:  7.00 ",
    "     Desvio medio global hacia el UNO en %: 12.50",
    "     Desvio medio global hacia el CERO en %:  9.00",
    ">>>>>12-05-2026 - 22:54:59 checkpoint 15min 0 = 1 :  90000" + blanks(12) + " 90000",
    "     0 <=> 1 Equilibrio absoluto entre ceros y unos en \xFAltimos 15 min",
    "     Desvio medio global hacia el UNO en %: 100.50",
    "     Desvio medio global hacia el CERO en %: 12.34%e+2",
    "12-05-2026 - 22:54:59 checkpoint 5min. 0 = 1 :  30000" + blanks(3) + " 30000",
    "                          0=1 Equilibrio absoluto entre CEROS y UNOS en \xFAltimos 5 min",
    "12-06-2026ciclos de 12 horas completados:  1",
    "12-06-2026ciclos de 12 horas completados:  2",
};

// The first line of each record in kLines.
constexpr std::size_t kRecordStarts[] = {0, 2, 6, 8, 12, 16, 18, 19};

std::string joined(const std::vector<std::string>& lines) {
  std::string log;
  for (const std::string& line : lines) log += line + "\r\n";
  return log;
}

TEST(StudyLogCheckTest, ReadsEveryFormOfEveryRecord) {
  const StudyLogCheck check = check_study_log(joined(kLines));
  EXPECT_EQ(check.malformed, std::nullopt);
  EXPECT_EQ(check.wellFormedBytes, joined(kLines).size());
  EXPECT_EQ(check.count(LogRecordKind::quarter), 3U);
  EXPECT_EQ(check.count(LogRecordKind::five_minute), 3U);
  EXPECT_EQ(check.count(LogRecordKind::cycle), 2U);
  ASSERT_EQ(check.records.size(), 8U);
  const LogRecord& onesQuarter = check.records[3];
  EXPECT_EQ(onesQuarter.kind, LogRecordKind::quarter);
  EXPECT_EQ(onesQuarter.date, "12-05-2026");
  EXPECT_EQ(onesQuarter.time, "22:39:59");
  EXPECT_EQ(onesQuarter.zeros, 79590);
  EXPECT_EQ(onesQuarter.ones, 100410);
  EXPECT_EQ(check.records[0].zeros, 30125);
  EXPECT_EQ(check.records[7].cyclesCompleted, 2);
  EXPECT_EQ(check.records[7].time, "");
}

TEST(StudyLogCheckTest, AnEmptyLogIsWellFormed) {
  const StudyLogCheck check = check_study_log("");
  EXPECT_EQ(check.malformed, std::nullopt);
  EXPECT_TRUE(check.records.empty());
}

struct Fault {
  const char* name;
  std::size_t line;  // from 0, in kLines
  std::string replacement;
  const char* why;
};

const Fault kFaults[] = {
    {"bare LF", 6, "12-05-2026 - 22:24:59\n", "a line break other than CR LF"},
    {"UTF-8 u acute", 7, "                  Desvio medio al UNO en \xC3\xBAltimos 5 min en %:  5.00 ", "expected"},
    {"zero form without the trailing blank", 1,
     "                  Desvio medio al CERO en \xFAltimos 5 min en %:  6.00", "\" \" expected at column 68"},
    {"one form with a trailing blank", 10, "     Desvio medio global hacia el UNO en %: 12.50 ",
     "the line goes on at column 50"},
    {"second count a column early", 2,
     ">>>>>12-05-2026 - 22:24:59 checkpoint 15 min 0 > 1 :  90312" + blanks(10) + " 89688",
     "a count expected at column 71"},
    {"second count far too early", 2,
     ">>>>>12-05-2026 - 22:24:59 checkpoint 15 min 0 > 1 :  90312" + blanks(1) + " 89688",
     "blanks up to column 71 expected at column 60"},
    {"second count a column late", 2,
     ">>>>>12-05-2026 - 22:24:59 checkpoint 15 min 0 > 1 :  90312" + blanks(12) + " 89688",
     "a count expected at column 71"},
    {"counts that miss a bit", 0, "12-05-2026 - 22:14:59 checkpoint 5 min. 0 > 1 :  30125" + blanks(2) + " 29874",
     "the counts add up to 59999, not 60000"},
    {"smaller count first", 0, "12-05-2026 - 22:14:59 checkpoint 5 min. 0 > 1 :  29875" + blanks(2) + " 30125",
     "the counts do not fit the heading"},
    {"uneven balance", 16, "12-05-2026 - 22:54:59 checkpoint 5min. 0 = 1 :  30002" + blanks(3) + " 29998",
     "the counts do not fit the heading"},
    {"count with a leading zero", 0, "12-05-2026 - 22:14:59 checkpoint 5 min. 0 > 1 :  030125" + blanks(1) + " 29875",
     "a count expected"},
    {"balance heading with a blank", 12,
     ">>>>>12-05-2026 - 22:54:59 checkpoint 15 min 0 = 1 :  90000" + blanks(11) + " 90000", "no checkpoint heading"},
    {"no average for the leading side", 3, "     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: --.-- ",
     "the leading side's average has no value"},
    {"dashes after a win", 5, "     Desvio medio global hacia el CERO en %: --.-- ",
     "no global average although the side has won 1 quarters"},
    {"a figure before any win", 4, "     Desvio medio global hacia el UNO en %:  0.00 ",
     "a global average although the side has won no quarter"},
    {"figure without its padding", 3, "     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: 6.00 ",
     "a \"##.##\" figure expected"},
    {"figure with one decimal", 11, "     Desvio medio global hacia el CERO en %:  9.0", "a \"##.##\" figure expected"},
    {"no such date", 6, "02-30-2026 - 22:24:59 checkpoint 5 min. 1 > 0 :  30120" + blanks(2) + " 29880",
     "no such date at column 1"},
    {"no such time", 6, "12-05-2026 - 24:00:00 checkpoint 5 min. 1 > 0 :  30120" + blanks(2) + " 29880",
     "no such time at column 14"},
    {"blank between date and text", 18, "12-06-2026 ciclos de 12 horas completados:  1", "\" - \" expected"},
    {"cycle skipped", 19, "12-06-2026ciclos de 12 horas completados:  3", "cycle 2 expected"},
};

void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.name; }

class StudyLogFaultTest : public ::testing::TestWithParam<Fault> {};

TEST_P(StudyLogFaultTest, NamesTheFirstFaultyLineAndKeepsTheRecordsBeforeIt) {
  const Fault& fault = GetParam();
  std::vector<std::string> lines = kLines;
  lines[fault.line] = fault.replacement;
  const StudyLogCheck check = check_study_log(joined(lines));
  ASSERT_TRUE(check.malformed);
  EXPECT_TRUE(check.malformed->starts_with("line " + std::to_string(fault.line + 1) + ": ")) << *check.malformed;
  EXPECT_NE(check.malformed->find(fault.why), std::string::npos) << *check.malformed;
  // The records before the faulty one stay, and so do the bytes they take.
  const auto recordsBefore =
      static_cast<std::size_t>(std::count_if(std::begin(kRecordStarts), std::end(kRecordStarts),
                                             [&](std::size_t start) { return start <= fault.line; }) -
                               1);
  EXPECT_EQ(check.records.size(), recordsBefore);
  const auto recordStart = static_cast<std::ptrdiff_t>(kRecordStarts[recordsBefore]);
  EXPECT_EQ(check.wellFormedBytes, joined({lines.begin(), lines.begin() + recordStart}).size());
}

INSTANTIATE_TEST_SUITE_P(Faults, StudyLogFaultTest, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& info) {
                           std::string name;
                           for (const char* letter = info.param.name; *letter != '\0'; ++letter) {
                             if (std::isalnum(static_cast<unsigned char>(*letter))) name += *letter;
                           }
                           return name;
                         });

TEST(StudyLogCheckTest, ALogCutInsideARecordKeepsTheWholeRecordsBeforeIt) {
  const std::string whole = joined(kLines);
  const std::string firstTwoRecords = joined({kLines.begin(), kLines.begin() + 6});
  for (const std::size_t cut : {firstTwoRecords.size() + 3, firstTwoRecords.size() + kLines[6].size() + 2}) {
    const StudyLogCheck check = check_study_log(whole.substr(0, cut));
    ASSERT_TRUE(check.malformed);
    EXPECT_TRUE(check.malformed->starts_with("line 7: the log ends inside a line") ||
                check.malformed->starts_with("line 8: the log ends inside a five-minute record"))
        << *check.malformed;
    EXPECT_EQ(check.records.size(), 2U);
    EXPECT_EQ(check.wellFormedBytes, firstTwoRecords.size());
  }
}

}  // namespace
}  // namespace novabit::testing
