// The readers on hand-made bytes: what a foreign, torn or damaged line does to
// the records around it, and the tolerances for other writers.

#include <gtest/gtest.h>

#include "report/field_report.h"
#include "report/study_log_reader.h"
#include "report/trials_reader.h"

namespace novabit::report {
namespace {

std::vector<std::string> note_texts(const std::vector<LineNote>& notes) {
  std::vector<std::string> texts;
  for (const LineNote& note : notes) {
    texts.push_back(std::to_string(note.line) + (note.skipped ? " skipped: " : ": ") + note.message);
  }
  return texts;
}

TEST(StudyLogReader, SkipsWhatIsNoRecordAndKeepsEverythingElse) {
  const std::string log =
      "12-05-2026 - 10:04:59 checkpoint 5 min. 1 > 0 :  30071   29929\r\n"
      // Another writer's text for a field, and an \xFA that went through UTF-8.
      "                  Desvio medio al UNO en \xC3\xBAltimos 5 min en %: 1.#J \r\n"
      "hello world\r\n"
      "12-05-2026 - 10:09:59 checkpoint 5 min. 0 > 1 :  30000   29999\n"
      "                  Desvio medio al CERO en \xFAltimos 5 min en %:  6.00 \n"
      ">>>>>12-05-2026 - 10:14:59 checkpoint 15min 0 = 1 :  90000            90000\r\n"
      "     0 <=> 1 Equilibrio absoluto entre ceros y unos en \xFAltimos 15 min\r\n"
      "     Desvio medio global hacia el UNO en %: --.--\r\n"
      "12-05-2026 - 10:14:59 checkpoint 5min. 0 = 1 :  30000   30000\r\n"
      "                          0=1 Equilibrio absoluto entre CEROS y UNOS en \xFAltimos 5 min\r\n"
      "12-06-2026ciclos de 12 horas completados:  1\r\n"
      "12-06-2026 - 10:19:59 checkpoint 5 min. 1 > 0 :  300";
  const StudyLogContents contents = read_study_log(log);
  std::vector<std::string> records;
  for (const LogRecord& record : contents.records) {
    records.push_back(std::to_string(record.line) + " " + date_text(record.when) + " " + time_text(record.when) + " " +
                      std::to_string(static_cast<int>(record.kind)) + " " + std::to_string(record.zeros) + " " +
                      std::to_string(record.ones) + " " + std::to_string(record.cyclesCompleted));
  }
  EXPECT_EQ(records, (std::vector<std::string>{"1 12-05-2026 10:04:59 0 29929 30071 0",
                                               "6 12-05-2026 10:14:59 1 90000 90000 0",
                                               "9 12-05-2026 10:14:59 0 30000 30000 0",
                                               "11 12-06-2026 00:00:00 2 0 0 1"}));
  EXPECT_EQ(note_texts(contents.notes),
            (std::vector<std::string>{
                "3 skipped: not a study log record",
                "4 skipped: counts 30000 and 29999 do not fit the zero form of a five-minute record (60000 bits, "
                "the larger count first)",
                "5 skipped: a record's further line without its first line",
                "6: the quarter record ends after 3 of its 4 lines",
                "12 skipped: a torn last line: it has no line end"}));
}

TEST(TrialsReader, ReadsThePassesAndTheirAlarms) {
  const std::string text =
      "# program=novabit 1.0.0\r\n# source=keyed\r\npass,utc,local,ones,alarm\r\n"
      "1,2026-12-07T05:32:20Z,12-07-2026 05:32:20,103,\r\n"
      "2,2026-12-07T05:32:21Z,12-07-2026 05:32:21,96,\n"
      "3,2026-12-07T05:32:22Z,12-07-2026 05:32:22,200,repetition_count adaptive_proportion\r\n"
      "4,2026-12-07T05:32:23Z,12-07-2026 05:32:23,100,\r\n"
      "5,2026-12-07T05:32:24Z,12-07-2026 05:32:24,201,\r\n"
      "6,2026-12-07T05:32:25Z,12-07-2026 05:32";
  const TrialsSummary trials = summarize_trials("t", read_trials(text), BoundarySettings{});
  EXPECT_EQ(trials.contents.source, "keyed");
  EXPECT_EQ(trials.contents.seconds.size(), 4U);
  EXPECT_EQ(trials.contents.seconds[2].line, 6U);
  EXPECT_EQ(trials.alarmSeconds, 1);
  EXPECT_EQ(trials.contents.alarms, (std::map<std::string, std::int64_t>{{"adaptive_proportion", 1},
                                                                         {"repetition_count", 1}}));
  EXPECT_EQ(note_texts(trials.contents.notes),
            (std::vector<std::string>{"8 skipped: no count of ones from 0 to 200",
                                      "9 skipped: a torn last line: it has no line end"}));
  // z = (k - 100) / sqrt(50); Python: math.erfc(7.00035713374682 / sqrt(2)),
  // and for df 4 the chi-square tail exp(-x/2) (1 + x/2).
  const SeriesStatistics& s = trials.seconds;
  EXPECT_NEAR(s.stouffer_z(), 7.00035713374682, 1e-12);
  EXPECT_NEAR(static_cast<double>(s.stouffer_p()) / 2.553108602851299e-12, 1, 1e-9);
  EXPECT_NEAR(s.variance_statistic(), 196.5, 1e-9);
  EXPECT_NEAR(static_cast<double>(s.chi_square_p()) / 2.933413059250316e-42, 1, 1e-9);
}

}  // namespace
}  // namespace novabit::report
