// The JSON summary of the sealed run and of a network of hand-made stations:
// valid by the installed schema, as python3-jsonschema checks it, and holding
// the figures that the text summary of the same report shows, read back from
// that text, with the notes by file and line and the inputs' SHA-256 as
// sha256sum gives them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "report/json_summary.h"
#include "report/raw_records.h"
#include "report/report_program.h"
#include "report/sealed_run.h"
#include "support/x_server.h"

namespace novabit::report {
namespace {

using Json = nlohmann::json;

// The text summary and the JSON of one report.
struct TwoSummaries {
  std::string text;
  Json json;
};

// novabit-report with `arguments` and --json into the folder, the JSON read
// back once python3-jsonschema has found it valid.
TwoSummaries report_with_json(std::vector<std::string> arguments, const testing::ScratchDirectory& folder) {
  arguments.insert(arguments.begin(), {"novabit-report", "--json", folder.file("r.json")});
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  std::ostringstream out, err;
  EXPECT_EQ(run_report(pointers, out, err), 0) << err.str();
  const std::optional<std::string> valid = testing_x::command_output(
      "python3 -c 'import json, sys, jsonschema; jsonschema.validate(json.load(open(sys.argv[2])), "
      "json.load(open(sys.argv[1])), cls=jsonschema.Draft202012Validator)' " NOVABIT_REPORT_SCHEMA " " +
      folder.file("r.json") + " 2>&1; echo status $?");
  EXPECT_EQ(valid, "status 0\n");
  return {out.str(), Json::parse(testing::file_bytes(folder.file("r.json")))};
}

// The words on the rest of the first line that begins with `line` after
// `section`, read as numbers (0 for a word that is none).
std::vector<double> numbers_after(const std::string& text, const std::string& section, const std::string& line) {
  const std::size_t at = text.find(line, text.find(section));
  EXPECT_NE(at, std::string::npos) << line;
  const std::size_t from = at + line.size();
  std::istringstream words(text.substr(from, text.find('\n', from) - from));
  std::vector<double> numbers;
  std::string word;
  while (words >> word) numbers.push_back(std::strtod(word.c_str(), nullptr));
  return numbers;
}

TEST(JsonSummary, OfASealedRunIsValidAndHoldsItsSummarysFigures) {
  const testing::ScratchDirectory folder;
  const testing::SealedRun& run = testing::sealed_run();
  // Lines that are no record, for notes with their file and line: one more than are shown.
  std::string garbage;
  for (int i = 0; i < 21; ++i) garbage += "no record\r\n";
  testing::write_bytes(folder.file(testing::kLog), testing::file_bytes(run.log) + garbage);
  const TwoSummaries report = report_with_json({"--trials", run.trials, "--seal", run.seal, folder.file(testing::kLog)}, folder);
  // trials, Z, p, chi2, p, deviation, envelope: printed to 3, 4, 1, 4, 0 and 1 decimals or 3 digits.
  const std::vector<double> all = numbers_after(report.text, "Five-minute records", "\n  all");
  const Json& figures = report.json["study"]["five_minute_records"]["all"];
  ASSERT_GE(all.size(), 7U);
  EXPECT_EQ(figures["trials"], all[0]);
  EXPECT_NEAR(figures["stouffer_z"], all[1], 0.0005);
  EXPECT_NEAR(figures["stouffer_p"], all[2], all[2] * 0.005);
  EXPECT_NEAR(figures["chi_square"], all[3], 0.05);
  EXPECT_NEAR(figures["deviation"], all[5], 0.5);
  EXPECT_NEAR(figures["envelope"], all[6], 0.05);
  for (const Json& cycle : report.json["study"]["five_minute_records"]["cycles"]) {
    const std::string row = "\n  run " + cycle["run"].dump() + " cycle " + cycle["cycle"].dump() + " ";
    const std::vector<double> shown = numbers_after(report.text, "Five-minute records", row);
    EXPECT_EQ(cycle["statistics"]["trials"], shown.at(0)) << row;
    EXPECT_NEAR(cycle["statistics"]["stouffer_z"], shown.at(1), 0.0005) << row;
  }
  const std::vector<double> towards = numbers_after(report.text, "Hidden windows", "towards its forced value:");
  const Json& inside = report.json["study"]["windows"][0]["inside_towards_forced_value"];
  EXPECT_EQ(inside["trials"], towards.at(0));
  EXPECT_NEAR(inside["stouffer_z"], towards.at(4), 0.0005);
  // Its p is far below a double's range: read as long doubles, from the text and from the file's own digits.
  const std::string bytes = testing::file_bytes(folder.file("r.json")), p = "\"stouffer_p\": ";
  const std::size_t line = report.text.find("towards its forced value:"),
                    word = report.text.rfind(' ', report.text.find('\n', line));
  const long double shown = std::strtold(report.text.c_str() + word, nullptr);
  EXPECT_LT(shown, 1e-308L);
  EXPECT_NEAR(std::strtold(bytes.c_str() + bytes.find(p, bytes.find("inside_towards")) + p.size(), nullptr) / shown, 1, 0.005);
  const std::string note = report.text.substr(report.text.find(folder.file(testing::kLog) + ":"));
  const Json& first = report.json["notes"].at(0);
  EXPECT_EQ(note.substr(0, note.find('\n')),
            first["file"].get<std::string>() + ":" + first["line"].dump() + ": skipped: " + first["message"].get<std::string>());
  EXPECT_NE(report.text.find(folder.file(testing::kLog) + ": 1 more problem line\n"), std::string::npos);
  EXPECT_EQ(report.json["notes"].back()["more"], 1);
  ASSERT_EQ(report.json["inputs"].size(), 3U);
  for (const Json& input : report.json["inputs"]) {
    const std::string file = input["file"];
    EXPECT_EQ(testing_x::command_output("sha256sum " + file)->substr(0, 64), input["sha256"]) << file;
  }
}

TEST(JsonSummary, ThatCannotBeWrittenWholeLeavesNoFile) {
  const testing::ScratchDirectory folder;
  testing::SmallDisk disk(folder.file("disk"), 65536);
  if (disk.unavailable()) GTEST_SKIP() << *disk.unavailable();
  disk.fill(100);
  const Outcome written = write_whole_file(folder.file("disk/r.json"), std::string(65536, ' '));
  ASSERT_FALSE(written);
  EXPECT_EQ(written.failure().error, ENOSPC);
  EXPECT_EQ(testing::entries_of(folder.file("disk")), std::vector<std::string>{"filler"});
}

TEST(JsonSummary, OfANetworkIsValidAndHoldsItsSummarysFigures) {
  const testing::ScratchDirectory folder;
  // d = k - 100: A +10 -5 +20, B +10 +15 -30; Z_t = 2, 1, -1, so sum(Z_t^2 - 1) = 3;
  // sum z^2 = 1750 / 50, so sum(z^2 - 1) = 29.
  testing::write_bytes(folder.file("a.csv"), raw_record("A", key_from_seed(1), {{1, 110}, {2, 95}, {3, 120}}));
  // B's clock was not synchronised, for a note.
  testing::write_bytes(folder.file("b.csv"),
                       raw_record("B", key_from_seed(2), {{1, 110}, {2, 115}, {3, 70}}, "unsynchronized max_error_seconds=16"));
  // Events: Z_t = 2, 1 make sum Z_t^2 = 5 on 2 degrees, whose upper tail is e^(-5/2); -Z_t = 1 gives z = 1.
  const std::string events = folder.file("events.csv");
  testing::write_bytes(events,
                       "name,start,end,statistic,sign\none,2026-12-05T10:00:00Z,2026-12-05T10:00:02Z,netvar,\n"
                       "two,2026-12-05T10:00:02Z,2026-12-05T10:00:03Z,stouffer,-\nno event\n"
                       "three,2027-01-01T00:00:00Z,2027-01-02T00:00:00Z,devvar,\n");
  const TwoSummaries report =
      report_with_json({"--network", folder.file("a.csv"), folder.file("b.csv"), "--events", events}, folder);
  const Json& network = report.json["network"];
  EXPECT_NEAR(network["network_variance"], 3, 1e-12);
  EXPECT_NEAR(network["network_variance"], numbers_after(report.text, "", "sum(Z_t^2 - 1) =").at(0), 0.0005);
  EXPECT_NEAR(network["device_variance"], 29, 1e-12);
  EXPECT_EQ(network["first"], "2026-12-05T10:00:00Z");
  EXPECT_EQ(network["last"], "2026-12-05T10:00:02Z");
  EXPECT_NEAR(network["stations"][0]["statistics"]["stouffer_z"], 25 / std::sqrt(150.0), 1e-12);
  const Json& analysed = report.json["events"]["analysed"];
  ASSERT_EQ(analysed.size(), 2U);
  EXPECT_NEAR(analysed[0]["value"], 5, 1e-12);
  EXPECT_EQ(analysed[0]["degrees_of_freedom"], 2);
  EXPECT_NEAR(analysed[0]["p"], std::exp(-2.5), 1e-12);
  EXPECT_EQ(analysed[1]["sign"], -1);
  EXPECT_NEAR(analysed[1]["z"], 1, 1e-9);
  EXPECT_NEAR(report.json["events"]["stouffer_z"], numbers_after(report.text, "", "events' z =").at(0), 0.0005);
  EXPECT_EQ(
      report.json["inputs"].back(),
      Json({{"file", events}, {"role", "events"}, {"sha256", testing_x::command_output("sha256sum " + events)->substr(0, 64)}}));
  ASSERT_EQ(report.json["notes"].size(), 3U);
  for (const Json& note : report.json["notes"]) {
    const std::string line = note["file"].get<std::string>() + ":" + note["line"].dump() + ": ";
    EXPECT_NE(report.text.find(line + note["message"].get<std::string>() + "\n"), std::string::npos) << line;
  }
  EXPECT_EQ(report.json["notes"][1]["line"], 4);
}

}  // namespace
}  // namespace novabit::report
