// novabit-report on the damage a real study's files suffer, each injected
// into one clean simulated run: whatever the damage, every record the report
// keeps has the clean run's count at the clean run's pass, and the report
// says what was damaged, where, and nothing else. Copies of the run, another
// station's run and a raw record without its log, given beside it, are each
// counted once and apart from it, with its rows in the CSV in time order.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <ranges>
#include <regex>
#include <sstream>
#include <thread>

#include "report/report_program.h"
#include "report/sealed_run.h"
#include "support/local_zone.h"

namespace novabit::report {
namespace {

using testing::file_bytes;
using testing::write_bytes;
using testing::kLog;
using testing::kPasses;
using testing::kTrials;
using testing::write_seal;

struct Ran {
  int status;
  std::string out, err;
};

Ran report(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "novabit-report");
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  std::ostringstream out, err;
  const int status = run_report(pointers, out, err);
  return {status, out.str(), err.str()};
}

// The records of the run's own study log in a CSV table (its files are named
// estudio_..., other runs' and copies otherwise): "kind pass" -> k. `order`
// gets whether the rows of the run's files came in the order of their passes,
// each pass's second before the quarter and five-minute records it wrote.
std::map<std::string, std::string> table_rows(const std::string& csv, bool* order = nullptr) {
  std::istringstream lines(csv);
  std::string line;
  std::getline(lines, line);
  std::map<std::string, std::string> rows;
  long long last = 0;
  while (std::getline(lines, line)) {
    std::vector<std::string> field;
    std::istringstream cells(line.substr(0, line.size() - 1));
    for (std::string cell; std::getline(cells, cell, ',');) field.push_back(cell);
    EXPECT_EQ(field.size(), 12U) << line;
    EXPECT_EQ(field[7].find_first_not_of("0123456789"), std::string::npos) << line;  // n
    EXPECT_EQ(field[8].find_first_not_of("0123456789"), std::string::npos) << line;  // k
    const bool runs = std::filesystem::path(field[0]).filename().string().starts_with("estudio_");
    const long long place = std::stoll(field[5]) * 3 + (field[4] == "quarter" ? 1 : field[4] == "five_minute" ? 2 : 0);
    if (order != nullptr && runs) *order = *order && place >= std::exchange(last, place);
    if (runs && field[4] != "second" && std::stoll(field[5]) <= 45000) rows[field[4] + " " + field[5]] = field[8];
  }
  return rows;
}

std::vector<std::string> lines_of(const std::string& log) {
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = log.find("\r\n", at)) != std::string::npos; at = end + 2) {
    lines.push_back(log.substr(at, end - at));
  }
  return lines;
}

std::string log_of(const std::vector<std::string>& lines, const char* end = "\r\n") {
  std::string log;
  for (const std::string& line : lines) log += line + end;
  return log;
}

// A five-minute record's line with `by` moved from its second count to its
// first: still a record of its form, with other counts.
void move_count(std::string& line, int by) {
  const std::size_t counts = line.find(" :  ") + 4;
  line.replace(counts, 5, std::to_string(std::stoi(line.substr(counts, 5)) + by));
  line.replace(counts + 8, 5, std::to_string(std::stoi(line.substr(counts + 8, 5)) - by));
}

// The figures of a summary's five-minute and quarter records, but for the
// times their crossings fell at.
std::string figures(const std::string& summary) {
  const std::size_t from = summary.find("\nFive-minute records");
  const std::size_t to = summary.find('\n', summary.find("\n  all", summary.find("\nQuarter records", from)) + 1);
  return std::regex_replace(summary.substr(from, to - from), std::regex("\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d"), "");
}

// The clean run's files and the records and figures of its report.
struct CleanRun {
  std::string log = file_bytes(testing::sealed_run().log), trials = file_bytes(testing::sealed_run().trials),
              seal = file_bytes(testing::sealed_run().seal), figures;
  std::map<std::string, std::string> rows;
  CleanRun() {
    testing::ScratchDirectory folder;
    const Ran ran = report({testing::sealed_run().log, "--csv", folder.file("clean.csv")});
    EXPECT_EQ(ran.status, 0);
    figures = report::figures(ran.out);
    const std::string csv = file_bytes(folder.path() / "clean.csv");
    rows = table_rows(csv);
    EXPECT_NE(csv.find(kLog + std::string(",1,2026-12-05,10:05:29,five_minute,300,1,60000,30057,")), std::string::npos);
    EXPECT_EQ(rows.size(), 200U);
  }
};

const CleanRun& clean() {
  static const CleanRun run;
  return run;
}

struct Fault {
  const char* name;
  // Writes the files into the folder and gives the report's arguments.
  std::function<std::vector<std::string>(const testing::ScratchDirectory&)> inject;
  std::vector<std::string> notes;   // how each note line of the summary begins, in order
  std::vector<std::string> differ;  // "kind pass" of the records missing or not the clean run's
  std::string says = "";            // besides
  int status = 0;
  std::size_t others = 0;  // rows of the CSV besides the log's records, to pass 45000
  bool cleanFigures = true;
};

std::vector<std::string> log_alone(const testing::ScratchDirectory& folder, const std::string& bytes) {
  write_bytes(folder.path() / kLog, bytes);
  return {folder.file(kLog)};
}

// The clean log with its lines changed, given alone.
auto edited(void (*change)(std::vector<std::string>&)) {
  return [change](const testing::ScratchDirectory& folder) {
    std::vector<std::string> lines = lines_of(clean().log);
    change(lines);
    return log_alone(folder, log_of(lines));
  };
}

// The clean run replayed with its passes paused for `seconds` before pass
// `pass` on the simulator's virtual clock, as a stopped station's passes are
// (the replay skips what a raw record's gap marks say; one marked row is all
// it reads): its study log alone, with lines lost (`from` to `to`), or with
// its raw record, which marks the gap.
auto paused(int pass, int seconds, bool trials, std::size_t from = 0, std::size_t to = 0, const char* passes = kPasses) {
  return [=](const testing::ScratchDirectory& folder) {
    write_bytes(folder.path() / "gap", std::to_string(pass) + ",,,,gap " + std::to_string(seconds) + "\r\n");
    EXPECT_EQ(testing::run_simulator({"--seal", testing::sealed_run().seal, "--raw-record", folder.file("gap"), "--no-screen",
                                      "--quiet", "--passes", passes, "--dir", folder.file("")})
                  .status,
              0);
    std::vector<std::string> lines = lines_of(file_bytes(folder.path() / kLog));
    lines.erase(lines.begin() + from, lines.begin() + to);
    write_bytes(folder.path() / kLog, log_of(lines));
    std::vector<std::string> arguments{folder.file(kLog)};
    if (trials) arguments.insert(arguments.end(), {"--trials", folder.file(kTrials)});
    return arguments;
  };
}

// The clean run's key run from midnight of a day the clocks change in Madrid,
// its line `torn` torn (none: 0) or, `timeDamaged`, followed by a copy of it
// stamped 00:00:00 after its record, with its raw record or alone. The report
// reads it in Madrid's zone, as every case.
auto madrid(int month, int day, std::size_t torn, bool trials, bool timeDamaged = false) {
  return [=](const testing::ScratchDirectory& f) {
    const testing::LocalZone madrid("Europe/Madrid");
    write_seal(f.file("dst.seal"), 5, {2026, month, day, 0, 0, 0});
    testing::run_simulator({"--seal", f.file("dst.seal"), "--no-screen", "--quiet", "--passes", kPasses, "--dir", f.file("")});
    const std::string name =
        "estudio_" + std::string(month < 10 ? "0" : "") + std::to_string(month) + "-" + std::to_string(day) + "-2026.replay";
    std::vector<std::string> lines = lines_of(file_bytes(f.path() / name));
    if (timeDamaged)
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(torn) + 2, std::string(lines[torn]).replace(13, 8, "00:00:00"));
    if (!timeDamaged) lines[torn].resize(torn == 0 ? lines[torn].size() : 10);
    std::vector<std::string> arguments{log_alone(f, log_of(lines))[0]};
    if (trials) arguments.insert(arguments.end(), {"--trials", f.file(name + ".trials.csv")});
    return arguments;
  };
}

// A copy of the clean log cut short at pass 31500, as a gathered copy of a run
// still under way, with the counts of its first 36 five-minute records damaged:
// a damaged record is merely absent, not a record that differs.
std::string cut_short_copy(const testing::ScratchDirectory& folder) {
  std::vector<std::string> lines = lines_of(clean().log);
  lines.resize(350);
  for (std::size_t at = 0; at < 120; at += 10) lines[at][49] = lines[at + 2][49] = lines[at + 8][49] = '4';
  write_bytes(folder.path() / "copy", log_of(lines));
  return folder.file("copy");
}

// A file of another run, an hour of `seed` from `hour`:`minute`:30 on the
// clean run's day, moved to `name` in the folder (its seal to `name`.seal):
// its study log, or its raw record.
std::string other_run(const testing::ScratchDirectory& folder, int hour, int minute, const std::string& name, bool trials,
                      std::int64_t seed = 6) {
  const testing::ScratchDirectory run;
  write_seal(folder.file(name + ".seal"), seed, {2026, 12, 5, hour, minute, 30});
  testing::run_simulator(
      {"--seal", folder.file(name + ".seal"), "--no-screen", "--quiet", "--passes", "3600", "--dir", run.file("")});
  std::filesystem::rename(run.file(trials ? kTrials : kLog), folder.file(name));
  return folder.file(name);
}

// The clean run's files in the folder, with the seal of `seed` made for a run started when it did.
std::vector<std::string> sealed_by(const testing::ScratchDirectory& folder, std::int64_t seed, bool trials) {
  write_bytes(folder.path() / kTrials, clean().trials);
  write_seal(folder.file("other.seal"), seed, {2026, 12, 5, 10, 0, 30});
  std::vector<std::string> arguments{log_alone(folder, clean().log)[0], "--seal", folder.file("other.seal")};
  if (trials) arguments.insert(arguments.end(), {"--trials", folder.file(kTrials)});
  return arguments;
}

// The hour of records that the faults below lose: passes 4800 to 8100.
const std::vector<std::string> kLostHour{"five_minute 4800", "five_minute 5100", "five_minute 5400", "five_minute 5700",
                                         "five_minute 6000", "five_minute 6300", "five_minute 6600", "five_minute 6900",
                                         "five_minute 7200", "five_minute 7500", "five_minute 7800", "five_minute 8100",
                                         "quarter 5400",     "quarter 6300",     "quarter 7200",     "quarter 8100"};

// Line 41 is a five-minute record (pass 3900) between two others, before a quarter.
// clang-format off
const std::vector<Fault> kFaults{
    {"damaged_count", edited([](auto& lines) { lines[0].replace(lines[0].find("  30") + 2, 2, "31"); }),
     {"estudio_12-05-2026.replay:1: skipped: counts "}, {"five_minute 300"}},
    {"torn_line", edited([](auto& lines) { lines[40].resize(lines[40].find(" :  ") + 6); }),
     {"estudio_12-05-2026.replay:41: skipped: no two counts"}, {"five_minute 3900"}},
    {"missing_record", edited([](auto& lines) { lines.erase(lines.begin() + 40, lines.begin() + 42); }),
     {"estudio_12-05-2026.replay:41: 1 five-minute record missing before this one (pass 3900)"}, {"five_minute 3900"}},
    // A record written twice in place counts once and moves nothing.
    {"a_record_twice", edited([](auto& lines) { lines.insert(lines.begin() + 42, &lines[40], &lines[42]); }),
     {"estudio_12-05-2026.replay:43: skipped: the same five-minute record as line 41 again"}, {}},
    {"a_quarter_twice", edited([](auto& lines) { lines.insert(lines.begin() + 48, &lines[44], &lines[48]); }),
     {"estudio_12-05-2026.replay:49: skipped: the same quarter record as line 45 again"}, {}},
    // The passes paused (a stopped process, a suspended machine): the next
    // record is late, not lost. A jump of whole periods is settled by the
    // next quarter's time, by the quarter that spans it, or by the cycle record.
    {"a_pause_of_293_s", paused(3700, 293, false), {"estudio_12-05-2026.replay:41: the passes paused for 293 s"}, {}},
    {"a_pause_of_12_min", paused(3700, 720, false), {"estudio_12-05-2026.replay:41: the passes paused for 720 s"}, {}},
    {"a_pause_of_15_min_within_a_quarter", paused(3400, 900, false),
     {"estudio_12-05-2026.replay:35: the passes paused for 900 s before this record, as the quarter record at line 35"}, {}},
    // Between quarters only a cycle record settles it: with the first lost, the second, a cycle later.
    {"a_pause_of_15_min_between_quarters", paused(3700, 900, false, 480, 481, "86402"),
     {"estudio_12-05-2026.replay:41: the passes paused for 900 s before this record, as the cycle record at line 961"}, {},
     "placed by its stamps, 1 jump in them settled by the log's arithmetic:", 0, 184, false},
    // With the raw record every record is placed at the pass whose time it bears.
    {"a_pause_of_293_s_marked_in_the_raw_record", paused(3700, 293, true),
     {"estudio_12-05-2026.replay.trials.csv:3705: the run skipped 293 s before this second"}, {}, ", placed by its raw record's pass times", 0, 45000},
    {"a_pause_of_12_min_marked_in_the_raw_record", paused(3700, 720, true),
     {"estudio_12-05-2026.replay.trials.csv:3705: the run skipped 720 s before this second"}, {}, "", 0, 45000},
    // Lost records whose quarter does not add up without them, and lost
    // records that nothing in the log tells from a pause.
    {"three_records_lost_within_a_quarter", edited([](auto& lines) { lines.erase(lines.begin() + 32, lines.begin() + 42); }),
     {"estudio_12-05-2026.replay:33: 3 five-minute records missing", "estudio_12-05-2026.replay:35: 1 quarter record missing"},
     {"five_minute 3300", "five_minute 3600", "five_minute 3900", "quarter 3600"}},
    // Records lost and a pause together: a jump longer than a period but not of whole periods.
    {"a_record_lost_and_a_pause", paused(3700, 150, false, 40, 42),
     {"estudio_12-05-2026.replay:41: the passes paused for 150 s before this record besides the records lost, as the quarter record at line 43",
      "estudio_12-05-2026.replay:41: 1 five-minute record missing before this one (pass 3900)"}, {"five_minute 3900"}},
    {"a_record_lost_and_a_pause_of_15_min", paused(3700, 900, false, 40, 42),
     {"estudio_12-05-2026.replay:41: the passes paused for 900 s before this record besides the records lost, as the cycle record at line 479",
      "estudio_12-05-2026.replay:41: 1 five-minute record missing before this one (pass 3900)"}, {"five_minute 3900"}},
    {"three_records_lost_and_a_pause_after_the_cycle_record", paused(43300, 150, false, 481, 491),
     {"estudio_12-05-2026.replay:482: the stamps jump 1050 s before this record (12-05-2026 22:22:59): records were lost, or the passes paused for 1050 s, or both",
      "estudio_12-05-2026.replay:482: 3 five-minute records missing", "estudio_12-05-2026.replay:486: 1 quarter record missing"},
     {"five_minute 43500", "five_minute 43800", "five_minute 44100", "quarter 44100"}},
    {"swapped_records", edited([](auto& lines) { std::rotate(&lines[40], &lines[42], &lines[44]); }),
     {"estudio_12-05-2026.replay:41: left out: its time 12-05-2026 11:10:29 comes after"}, {"five_minute 4200"}},
    // An hour of records lost after a torn line, or after a record whose time
    // was damaged, on a day the clocks do not change: the cycle record tells it from a pause.
    {"an_hour_lost_after_a_torn_line", edited([](auto& lines) { lines[50].resize(10), lines.erase(lines.begin() + 51, lines.begin() + 90); }),
     {"estudio_12-05-2026.replay:51: skipped", "estudio_12-05-2026.replay:52: 12 five", "estudio_12-05-2026.replay:56: 4 quarter"}, kLostHour},
    {"an_hour_lost_after_a_damaged_time", edited([](auto& lines) { lines[50].replace(13, 8, "00:00:00"), lines.erase(lines.begin() + 52, lines.begin() + 90); }),
     {"estudio_12-05-2026.replay:51: left out", "estudio_12-05-2026.replay:53: 11 five", "estudio_12-05-2026.replay:57: 4 quarter"}, kLostHour},
    {"quarters_one_off_either_way", edited([](auto& lines) {
       lines[14].replace(lines[14].find("90194            89806"), 22, "90193            89807");  // a one more
       lines[24].replace(lines[24].find("90075            89925"), 22, "90074            89926");  // a one fewer
     }),
     {"estudio_12-05-2026.replay:15: the quarter record of 12-05-2026 10:30:29 has 89807 ones",
      "estudio_12-05-2026.replay:25: the quarter record of 12-05-2026 10:45:29 has 90074 ones"}, {"quarter 1800", "quarter 2700"}},
    {"byte_order_mark", [](auto& f) {
       std::string utf8 = "\xEF\xBB\xBF";
       for (const char byte : clean().log) utf8 += byte == '\xFA' ? std::string("\xC3\xBA") : std::string(1, byte);
       return log_alone(f, utf8);
     }, {}, {}},
    {"LF_line_ends", [](auto& f) { return log_alone(f, log_of(lines_of(clean().log), "\n")); }, {}, {}},
    {"tabs_for_runs_of_blanks", edited([](auto& lines) {
       for (std::string& line : lines) line = std::regex_replace(line, std::regex("  +"), "\t");
     }), {}, {}},
    // Inputs read once, as a stream, and one that would never end.
    {"log_through_a_fifo", [](auto& f) {
       EXPECT_EQ(mkfifo(f.file("estudio_fifo").c_str(), 0600), 0);
       std::thread([path = f.file("estudio_fifo")] { write_bytes(path, clean().log); }).detach();
       return std::vector<std::string>{f.file("estudio_fifo")};
     }, {}, {}},
    {"dev_zero_beside_the_log", [](auto& f) { return std::vector<std::string>{"/dev/zero", log_alone(f, clean().log)[0]}; },
     {}, {}, "/dev/zero: left out: no valid record in its first 64 MB\n"},
    {"late_records", edited([](auto& lines) {
       for (std::string& line : lines | std::views::drop(40)) {
         if (const std::size_t at = line.find(":29 checkpoint"); at != std::string::npos) line.replace(at, 3, ":33");
       }
     }), {}, {}},
    // The stamps an hour on at the last record of a cycle, on a day the clocks
    // do not change: a pause, as the cycle record after it bears out.
    {"a_pause_of_an_hour_at_a_cycles_end", edited([](auto& lines) {
       for (std::string& line : lines | std::views::drop(478)) {
         if (const std::size_t at = line.find("12-05-2026 - 22:"); at != std::string::npos) line[at + 14] = '3';
       }
     }), {"estudio_12-05-2026.replay:479: the passes paused for 3600 s before this record, as the cycle record at line 481 bears out"}, {}},
    {"daylight_saving", madrid(10, 25, 0, false),
     {"estudio_12-05-2026.replay:121: the local clock moved back one hour before this record (daylight saving)"}, {}},
    // Lines skipped just before the clocks go forward: an hour of lost records
    // would look the same, but the cycle record tells; the raw record knows.
    {"skipped_lines_before_spring_forward", madrid(3, 29, 78, false),
     {"estudio_12-05-2026.replay:79: skipped", "estudio_12-05-2026.replay:81: the local clock moved forward one hour before this record "
      "(daylight saving) besides the records lost, as the cycle record at line 481 bears out",
      "estudio_12-05-2026.replay:81: 1 five-minute record missing before this one (pass 7200)"}, {"five_minute 7200"}},
    // A record of a damaged time just before the clocks go forward: the hour
    // is weighed against records lost, since the record before was not placed.
    {"a_damaged_time_before_spring_forward", madrid(3, 29, 78, false, true),
     {"estudio_12-05-2026.replay:81: the five-minute record ends after 1 of its 2 lines", "estudio_12-05-2026.replay:81: left out",
      "estudio_12-05-2026.replay:82: the local clock moved forward one hour before this record (daylight saving), as the cycle"}, {}},
    {"skipped_lines_before_spring_forward_with_the_raw_record", madrid(3, 29, 78, true),
     {"estudio_12-05-2026.replay:79: skipped", "estudio_12-05-2026.replay:81: 1 five-minute record missing before this one (pass 7200)"},
     {"five_minute 7200"}, ", placed by its raw record's pass times:", 0, 45000},
    {"skipped_lines_after_fall_back", madrid(10, 25, 120, false),
     {"estudio_12-05-2026.replay:121: skipped", "estudio_12-05-2026.replay:123: the local clock moved back one hour before this record (daylight saving)",
      "estudio_12-05-2026.replay:123: 1 five-minute record missing before this one (pass 11100)"}, {"five_minute 11100"}},
    {"foreign_lines", edited([](auto& lines) { lines.insert(lines.begin() + 10, 30, "hello world"); }),
     std::vector<std::string>(20, "estudio_12-05-2026.replay:"), {}, "estudio_12-05-2026.replay: 10 more problem lines"},
    {"the_same_log_twice", [](auto& f) {
       return std::vector<std::string>{log_alone(f, clean().log)[0], f.file(kLog)};
     }, {}, {}, "(given twice)\n"},
    // The copy that reaches furthest is read, whichever comes first.
    {"copy_cut_short_given_first", [](auto& f) { return std::vector<std::string>{cut_short_copy(f), log_alone(f, clean().log)[0]}; },
     {}, {}, "/copy (to pass 31500)\n"},
    {"copy_cut_short_given_last", [](auto& f) { return std::vector<std::string>{log_alone(f, clean().log)[0], cut_short_copy(f)}; },
     {}, {}, "/copy (to pass 31500)\n"},
    // Part of the log beside the whole: the second half, whose first records
    // lie far from the whole's, and the middle half.
    {"second_half_beside_the_whole", [](auto& f) {
       const std::vector<std::string> lines = lines_of(clean().log);
       write_bytes(f.path() / "half", log_of({lines.begin() + 250, lines.end()}));
       return std::vector<std::string>{f.file("half"), log_alone(f, clean().log)[0]};
     }, {}, {}, "/half (passes 22501 to 45000)\n"},
    {"middle_half_beside_the_whole", [](auto& f) {
       const std::vector<std::string> lines = lines_of(clean().log);
       write_bytes(f.path() / "half", log_of({lines.begin() + 130, lines.begin() + 380}));
       return std::vector<std::string>{log_alone(f, clean().log)[0], f.file("half")};
     }, {}, {}, "/half (passes 11701 to 34200)\n"},
    // Copies of one run read together: a record damaged in one is taken from
    // the other, and one whose counts differ between them is left out.
    {"copies_merged", [](auto& f) {
       std::vector<std::string> lines = lines_of(clean().log), copy = lines;
       lines[40].replace(lines[40].find("  30") + 2, 2, "31");
       move_count(copy[60], 10);
       write_bytes(f.path() / (kLog + std::string(".1")), log_of(copy));
       return std::vector<std::string>{log_alone(f, log_of(lines))[0], f.file(kLog + std::string(".1"))};
     }, {"estudio_12-05-2026.replay:41: skipped: counts", "estudio_12-05-2026.replay:61: left out: the copies of the record of pass 5700 differ"},
     {"five_minute 5700"}},
    {"another_station_at_the_same_time",
     [](auto& f) { return std::vector<std::string>{log_alone(f, clean().log)[0], other_run(f, 10, 20, "station-2", false)}; },
     {}, {}, "runs 1 and 2 overlap in time from 12-05-2026 10:20:30 to 12-05-2026 11:20:29: different runs, both counted",
     0, 16},
    {"raw_record_without_its_log_across_midnight", [](auto& f) {
       return std::vector<std::string>{log_alone(f, clean().log)[0], "--trials", other_run(f, 23, 30, "other.trials.csv", true)};
     }, {}, {}, "other.trials.csv (n = 200 bits each, source keyed)\n", 0, 3600},
    // A seal is shown only once its key is proven, and a seal whose run is not given is left out.
    {"seal_of_another_run", [](auto& f) { return sealed_by(f, 6, true); },
     {"other.seal: left out: the seal of a run started 12-05-2026 10:00:30, which is none of the inputs"}, {}, "", 0, 45000},
    {"wrong_key_seal_without_raw_record", [](auto& f) { return sealed_by(f, 6, false); }, {}, {},
     "other.seal: its replay reproduces 0 of the first 12 records of ", 1},
    {"a_keepers_five_seals_two_runs_missing", [](auto& f) {
       // Seals of runs missing: one of a run started with the log and raw record
       // given, one of a run started with a log given without its raw record.
       std::vector<std::string> arguments = sealed_by(f, 8, true);
       write_bytes(f.path() / "run.seal", clean().seal);
       write_seal(f.file("lost.seal"), 9, {2026, 12, 5, 10, 20, 30});
       arguments.insert(arguments.end(), {"--seal", f.file("lost.seal")});
       for (const auto& [hour, seed] : {std::pair{10, 7}, std::pair{20, 6}}) {
         arguments.insert(arguments.end(), {other_run(f, hour, 20, "station-" + std::to_string(seed), false, seed),
                                            "--seal", f.file("station-" + std::to_string(seed) + ".seal")});
       }
       arguments.insert(arguments.end(), {"--seal", f.file("run.seal")});
       return arguments;
     }, {"other.seal: left out: the seal of a run started 12-05-2026 10:00:30", "lost.seal: left out: the seal of a run started 12-05-2026 10:20:30"},
     {}, "Hidden windows of run 3, revealed by ", 0, 45032},
    {"right_seal_verified", [](auto& f) {
       write_bytes(f.path() / kTrials, clean().trials);
       write_bytes(f.path() / "run.seal", clean().seal);
       return std::vector<std::string>{log_alone(f, clean().log)[0], "--trials", f.file(kTrials), "--seal",
                                       f.file("run.seal"), "--verify"};
     }, {}, {}, "the seal reproduces 200 of 200 records of ", 0, 45000},
    {"tampered_record", [](auto& f) {
       std::vector<std::string> lines = lines_of(clean().log);
       move_count(lines[40], 50);
       write_bytes(f.path() / "run.seal", clean().seal);
       std::string trials = clean().trials;
       const std::size_t alarm = trials.find(',', trials.find(",12-05-2026 10:17:09,") + 21);
       trials[alarm - 1] ^= 1;  // the ones of pass 1000, one more or fewer
       write_bytes(f.path() / kTrials, trials);
       return std::vector<std::string>{log_alone(f, log_of(lines))[0], "--seal", f.file("run.seal"), "--verify", "--trials", f.file(kTrials)};
     }, {"estudio_12-05-2026.replay:45: the quarter record of 12-05-2026 11:15:29 has",
         "estudio_12-05-2026.replay:41: the five-minute record of 12-05-2026 11:05:29 has",
         "estudio_12-05-2026.replay.trials.csv:"},
     {"five_minute 3900"}, "the seal reproduces 199 of 200 records of", 1, 45000},
    {"no_valid_record", [](auto& f) { return log_alone(f, std::string(5000, '\n') + "hello\r\n"); }, {}, {},
     "novabit-report: no valid record in ", 1},
};
// clang-format on

void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.name; }

class DamagedStudy : public ::testing::TestWithParam<Fault> {};

TEST_P(DamagedStudy, KeepsTheCleanRunsRecordsAndSaysWhatIsWrong) {
  const Fault& fault = GetParam();
  testing::ScratchDirectory folder;
  std::vector<std::string> arguments = fault.inject(folder);
  arguments.insert(arguments.end(), {"--csv", folder.file("r.csv")});
  const Ran ran = [&] {
    const testing::LocalZone madrid("Europe/Madrid");
    return report(arguments);
  }();
  ASSERT_EQ(ran.status, fault.status) << ran.err;
  EXPECT_NE((ran.out + ran.err).find(fault.says), std::string::npos) << ran.out << ran.err;
  if (fault.status != 0) {
    // One line; the command lines' table has the refusals of bad arguments and unreadable files.
    EXPECT_TRUE(ran.err.starts_with("novabit-report: ") && ran.err.find('\n') == ran.err.size() - 1) << ran.err;
    if (ran.out.empty()) return;
    // A report that found what it must fail on says so in its last line.
    EXPECT_TRUE(ran.out.ends_with("\nVerification failed: 1 record and 1 second differ from the replay\n")) << ran.out;
  }
  std::vector<std::string> notes;
  std::istringstream summary(ran.out);
  const std::string prefix = folder.file("");
  for (std::string line; std::getline(summary, line);) {
    if (line.starts_with(prefix) && !line.ends_with("more problem lines")) notes.push_back(line.substr(prefix.size()));
  }
  ASSERT_EQ(notes.size(), fault.notes.size()) << ran.out;
  for (std::size_t i = 0; i < notes.size(); ++i) EXPECT_TRUE(notes[i].starts_with(fault.notes[i])) << notes[i];
  bool inOrder = true;
  const std::string csv = file_bytes(folder.path() / "r.csv");
  const std::map<std::string, std::string> rows = table_rows(csv, &inOrder);
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n') - 1 - rows.size(), fault.others) << "rows of other files";
  std::vector<std::string> differ;
  for (const auto& [place, ones] : clean().rows) {
    const auto row = rows.find(place);
    if (row == rows.end() || row->second != ones) differ.push_back(place);
  }
  EXPECT_EQ(differ, fault.differ);
  for (const auto& [place, ones] : rows) EXPECT_EQ(clean().rows.count(place), 1U) << place;
  if (differ.empty() && fault.status == 0 && fault.cleanFigures && ran.out.find("\n  run 2 ") == std::string::npos) {
    EXPECT_EQ(figures(ran.out), clean().figures);
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, DamagedStudy, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace novabit::report
