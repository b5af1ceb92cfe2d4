// Every example of novabit-report's manual page, run as written in a folder
// holding the files it names (the stations' records, their seals, a list of
// events), makes its report.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "keystream/random_key.h"
#include "seal/seal.h"
#include "support/live_monitor.h"
#include "support/simulator_run.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;

// An hour of the run of `seed` from `hour`:00:00 on day `day` (1 to 9) of
// December 2026, its log, raw record and seal moved to `folder`/`name`, .trials.csv, .seal.
void run_into(const std::filesystem::path& folder, const std::string& name, std::int64_t seed, int day, int hour) {
  const testing::ScratchDirectory run;
  const std::string seal = run.file("run.seal");
  testing::write_bytes(seal, seal_text({key_from_seed(seed), {2026, 12, day, hour, 0, 0}, {}, std::nullopt}));
  testing::run_simulator({"--seal", seal, "--no-screen", "--quiet", "--passes", "3600", "--dir", run.file("")});
  std::filesystem::create_directories(folder);
  const std::string made = run.file("estudio_12-0" + std::to_string(day) + "-2026.replay");
  for (const char* end : {"", ".trials.csv"}) std::filesystem::rename(made + end, folder / (name + end));
  std::filesystem::rename(seal, folder / (name + ".seal"));
}

// The words of each example: the lines between .nf and .fi, joined where
// one ends in "\e", with the page's "\-" a hyphen.
std::vector<std::vector<std::string>> examples(const std::string& page) {
  std::vector<std::vector<std::string>> found;
  const std::regex block(R"(\.nf\n([^]*?)\.fi\n)");
  for (std::sregex_iterator at(page.begin(), page.end(), block), end; at != end; ++at) {
    const std::string text =
        std::regex_replace(std::regex_replace((*at)[1].str(), std::regex(R"(\\e\n)"), " "), std::regex(R"(\\-)"), "-");
    std::istringstream words(text);
    found.emplace_back(std::istream_iterator<std::string>(words), std::istream_iterator<std::string>());
  }
  return found;
}

TEST(ReportManual, EveryExampleRunsAsWritten) {
  const testing::ScratchDirectory folder;
  run_into(folder.path(), "estudio_12-05-2026", 5, 5, 8);
  run_into(folder.path(), "estudio_12-05-2026.1", 6, 5, 4);
  run_into(folder.path(), "estudio_12-06-2026", 7, 6, 8);
  for (const auto& [station, seed] : {std::pair{"a", 8}, std::pair{"b", 9}, std::pair{"c", 10}}) {
    run_into(folder.path() / station, "estudio_12-05-2026", seed, 5, 8);
  }
  testing::write_bytes(folder.path() / "events.csv",
                       "name,start,end,statistic,sign\nhour,2026-12-05T08:10:00Z,2026-12-05T08:40:00Z,netvar,\n");
  const std::vector<std::vector<std::string>> commands =
      examples(testing::file_bytes(NOVABIT_SOURCE_DIR "/packaging/man/novabit-report.1.in"));
  ASSERT_EQ(commands.size(), 4U);
  for (const std::vector<std::string>& command : commands) {
    ASSERT_EQ(command.front(), "novabit-report");
    testing_app::Launch launch;
    launch.program = NOVABIT_REPORT_EXECUTABLE;
    launch.arguments.assign(command.begin() + 1, command.end());
    testing_app::LiveMonitor report(folder.path(), launch);
    EXPECT_EQ(report.wait_for_exit(120s), 0) << command.back() << "\n" << report.errors();
    EXPECT_NE(report.output().find("NovaBit "), std::string::npos) << report.output();
  }
}

}  // namespace
}  // namespace novabit
