// novabit-report on the damage a real study's files suffer, each injected
// into one clean simulated run: whatever the damage, every record the report
// keeps has the clean run's count at the clean run's pass, and the report
// says what was damaged, where, and nothing else.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <ranges>
#include <sstream>

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

// "kind pass" -> k of every row of a CSV table; `order` gets whether the
// rows came in the order of their passes.
std::map<std::string, std::string> table_rows(const std::string& csv, bool* order = nullptr) {
  std::istringstream lines(csv);
  std::string line;
  std::getline(lines, line);
  std::map<std::string, std::string> rows;
  long long lastPass = 0;
  while (std::getline(lines, line)) {
    std::vector<std::string> field;
    std::istringstream cells(line.substr(0, line.size() - 1));
    for (std::string cell; std::getline(cells, cell, ',');) field.push_back(cell);
    EXPECT_EQ(field.size(), 12U) << line;
    EXPECT_EQ(field[7].find_first_not_of("0123456789"), std::string::npos) << line;  // n
    EXPECT_EQ(field[8].find_first_not_of("0123456789"), std::string::npos) << line;  // k
    if (order != nullptr) *order = *order && std::stoll(field[5]) >= lastPass;
    lastPass = std::stoll(field[5]);
    if (field[4] != "second") rows[field[4] + " " + field[5]] = field[8];
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

// The clean run's files and the records of its report.
struct CleanRun {
  std::string log = file_bytes(testing::sealed_run().log), trials = file_bytes(testing::sealed_run().trials),
              seal = file_bytes(testing::sealed_run().seal);
  std::map<std::string, std::string> rows;
  CleanRun() {
    testing::ScratchDirectory folder;
    EXPECT_EQ(report({testing::sealed_run().log, "--csv", folder.file("clean.csv")}).status, 0);
    rows = table_rows(file_bytes(folder.path() / "clean.csv"));
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

// Line 41 is a five-minute record (pass 3900) between two others, before a quarter.
// clang-format off
const std::vector<Fault> kFaults{
    {"clean", [](auto& f) { return log_alone(f, clean().log); }, {}, {}},
    {"damaged_count", edited([](auto& lines) { lines[0].replace(lines[0].find("  30") + 2, 2, "31"); }),
     {"estudio_12-05-2026.replay:1: skipped: counts "}, {"five_minute 300"}},
    {"torn_line", edited([](auto& lines) { lines[40].resize(lines[40].find(" :  ") + 6); }),
     {"estudio_12-05-2026.replay:41: skipped: no two counts"}, {"five_minute 3900"}},
    {"missing_record", edited([](auto& lines) { lines.erase(lines.begin() + 40, lines.begin() + 42); }),
     {"estudio_12-05-2026.replay:41: 1 five-minute record missing before this one (pass 3900)"}, {"five_minute 3900"}},
    {"swapped_records", edited([](auto& lines) { std::rotate(&lines[40], &lines[42], &lines[44]); }),
     {"estudio_12-05-2026.replay:41: left out: its time 12-05-2026 11:10:29 comes after"}, {"five_minute 4200"}},
    {"byte_order_mark", [](auto& f) {
       std::string utf8 = "\xEF\xBB\xBF";
       for (const char byte : clean().log) utf8 += byte == '\xFA' ? std::string("\xC3\xBA") : std::string(1, byte);
       return log_alone(f, utf8);
     }, {}, {}},
    {"LF_line_ends", [](auto& f) { return log_alone(f, log_of(lines_of(clean().log), "\n")); }, {}, {}},
    {"late_records", edited([](auto& lines) {
       for (std::string& line : lines | std::views::drop(40)) {
         if (const std::size_t at = line.find(":29 checkpoint"); at != std::string::npos) line.replace(at, 3, ":33");
       }
     }), {}, {}},
    {"daylight_saving", [](auto& f) {
       const testing::LocalZone madrid("Europe/Madrid");
       write_seal(f.file("dst.seal"), 5, {2026, 10, 25, 0, 0, 0});
       testing::run_simulator({"--seal", f.file("dst.seal"), "--no-screen", "--no-trials", "--quiet", "--passes",
                               kPasses, "--dir", f.file("")});
       return std::vector<std::string>{f.file("estudio_10-25-2026.replay")};
     }, {"estudio_10-25-2026.replay:121: the local clock moved back one hour"}, {}},
    {"foreign_lines", edited([](auto& lines) { lines.insert(lines.begin() + 10, 30, "hello world"); }),
     std::vector<std::string>(20, "estudio_12-05-2026.replay:"), {}, "estudio_12-05-2026.replay: 10 more problem lines"},
    {"the_same_log_twice", [](auto& f) {
       return std::vector<std::string>{log_alone(f, clean().log)[0], f.file(kLog)};
     }, {}, {}, "(given twice)\n"},
    {"renamed_copy", [](auto& f) {
       write_bytes(f.path() / "copy", clean().log);
       return std::vector<std::string>{log_alone(f, clean().log)[0], f.file("copy")};
     }, {}, {}, "/copy\n"},
    {"replay_beside_its_live_log", [](auto& f) {
       log_alone(f, clean().log);
       write_bytes(f.path() / "run.seal", clean().seal);
       testing::run_simulator({"--seal", f.file("run.seal"), "--no-screen", "--no-trials", "--quiet", "--passes",
                               kPasses, "--dir", f.file("")});
       std::vector<std::string> logs;
       for (const std::string& name : f.entries()) {
         if (name.starts_with(kLog) && !name.ends_with(".seal")) logs.push_back(f.file(name));
       }
       EXPECT_EQ(logs.size(), 2U);
       return logs;
     }, {}, {}, "counted once: "},
    {"wrong_key_seal", [](auto& f) {
       write_bytes(f.path() / kTrials, clean().trials);
       write_seal(f.file("other.seal"), 6, {2026, 12, 5, 10, 0, 30});
       return std::vector<std::string>{log_alone(f, clean().log)[0], "--trials", f.file(kTrials), "--seal",
                                       f.file("other.seal")};
     }, {}, {}, "other.seal: its key is not the one ", 1},
    {"right_seal_verified", [](auto& f) {
       write_bytes(f.path() / kTrials, clean().trials);
       write_bytes(f.path() / "run.seal", clean().seal);
       return std::vector<std::string>{log_alone(f, clean().log)[0], "--trials", f.file(kTrials), "--seal",
                                       f.file("run.seal"), "--verify"};
     }, {}, {}, "the seal reproduces 200 of 200 records of "},
    {"tampered_record", [](auto& f) {
       std::vector<std::string> lines = lines_of(clean().log);
       const std::size_t counts = lines[40].find(" :  ") + 4;
       lines[40].replace(counts, 5, std::to_string(std::stoi(lines[40].substr(counts, 5)) + 50));
       lines[40].replace(counts + 8, 5, std::to_string(std::stoi(lines[40].substr(counts + 8, 5)) - 50));
       write_bytes(f.path() / "run.seal", clean().seal);
       return std::vector<std::string>{log_alone(f, log_of(lines))[0], "--seal", f.file("run.seal"), "--verify"};
     }, {"estudio_12-05-2026.replay:45: the quarter record of 12-05-2026 11:15:29 has",
         "estudio_12-05-2026.replay:41: the five-minute record of 12-05-2026 11:05:29 has"},
     {"five_minute 3900"}, "the seal reproduces 199 of 200 records"},
    {"no_valid_record", [](auto& f) { return log_alone(f, std::string(5000, '\n') + "hello\r\n"); }, {}, {},
     "novabit-report: no valid record in ", 1},
    {"unreadable_log", [](auto&) { return std::vector<std::string>{"/no/log"}; }, {}, {},
     "novabit-report: /no/log: No such file or directory\n", 1},
    {"bad_arguments", [](auto&) { return std::vector<std::string>{"--verify", "--tau", "-1"}; }, {}, {},
     "usage: novabit-report", 2},
};
// clang-format on

void PrintTo(const Fault& fault, std::ostream* out) { *out << fault.name; }

class DamagedStudy : public ::testing::TestWithParam<Fault> {};

TEST_P(DamagedStudy, KeepsTheCleanRunsRecordsAndSaysWhatIsWrong) {
  const Fault& fault = GetParam();
  testing::ScratchDirectory folder;
  std::vector<std::string> arguments = fault.inject(folder);
  arguments.insert(arguments.end(), {"--csv", folder.file("r.csv")});
  const Ran ran = report(arguments);
  ASSERT_EQ(ran.status, fault.status) << ran.err;
  EXPECT_NE((ran.out + ran.err).find(fault.says), std::string::npos) << ran.out << ran.err;
  if (fault.status != 0) {
    EXPECT_TRUE(ran.out.empty() && ran.err.starts_with("novabit-report: ")) << ran.err;
    // One line; a bad argument's is followed by the usage.
    const std::string rest = ran.err.substr(ran.err.find('\n') + 1);
    EXPECT_TRUE(fault.status == 2 ? rest.starts_with("usage: ") : rest.empty()) << ran.err;
    return;
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
  const std::map<std::string, std::string> rows = table_rows(file_bytes(folder.path() / "r.csv"), &inOrder);
  EXPECT_TRUE(inOrder);
  std::vector<std::string> differ;
  for (const auto& [place, ones] : clean().rows) {
    const auto row = rows.find(place);
    if (row == rows.end() || row->second != ones) differ.push_back(place);
  }
  EXPECT_EQ(differ, fault.differ);
  EXPECT_EQ(rows.size() + differ.size(), clean().rows.size() + (fault.name == std::string("tampered_record")));
}

INSTANTIATE_TEST_SUITE_P(Faults, DamagedStudy, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace novabit::report
