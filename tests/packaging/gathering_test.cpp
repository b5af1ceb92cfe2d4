// The gathering unit's own rsync command, run between local folders while a
// station's raw record grows: after every copy the gathered file is the
// station's, byte for byte, a copy cut short is completed by the next one, and
// the seal never leaves the station.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>

#include "support/live_monitor.h"
#include "support/x_server.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing::file_bytes;
using testing::write_bytes;

// ExecStart of the unit, its continuation lines joined, for station folder
// `station` and gathering folder `gathered` on this machine.
std::string gather_command(const std::filesystem::path& station, const std::filesystem::path& gathered) {
  const std::string unit = file_bytes(NOVABIT_SOURCE_DIR "/packaging/gather/novabit-gather@.service");
  const std::string joined = std::regex_replace(unit, std::regex("\\\\\n *"), "");
  std::smatch command;
  if (!std::regex_search(joined, command, std::regex("ExecStart=(.*)"))) return "";
  std::string line = std::regex_replace(command.str(1), std::regex("%i:novabit/"), station.string() + "/");
  return std::regex_replace(line, std::regex("%h/novabit-network/%i/"), gathered.string() + "/");
}

TEST(Gathering, CopiesAGrowingRawRecordWholeAndLeavesTheSeal) {
  if (!testing_x::program_path("rsync")) GTEST_SKIP() << "rsync is not installed";
  const testing::ScratchDirectory run, station, gathered;
  testing_app::LiveMonitor simulator(run.path(), testing_app::simulator({"--no-screen", "--passes", "3000"}));
  ASSERT_EQ(simulator.wait_for_exit(60s), 0);
  const std::string log = run.entries().front();
  const std::string raw = file_bytes(run.path() / (log + ".trials.csv"));
  std::filesystem::copy(run.path() / log, station.path());
  write_bytes(station.path() / (log + ".seal"), "key=...\r\n");
  write_bytes(station.path() / (log + ".seal.1"), "key=...\r\n");
  const std::string command = gather_command(station.path(), gathered.path() / "lab-1");
  ASSERT_TRUE(command.starts_with("/usr/bin/rsync ")) << command;
  const std::filesystem::path copy = gathered.path() / "lab-1" / (log + ".trials.csv");
  // A third, then two thirds ending inside a row as a write under way leaves
  // it, the copy cut short by ten bytes, then the whole file.
  for (const std::size_t size : {raw.size() / 3, 2 * raw.size() / 3 + 7, raw.size()}) {
    write_bytes(station.path() / (log + ".trials.csv"), raw.substr(0, size));
    if (size == raw.size()) std::filesystem::resize_file(copy, std::filesystem::file_size(copy) - 10);
    ASSERT_TRUE(testing_x::command_output(command)) << command;
    EXPECT_EQ(file_bytes(copy), raw.substr(0, size)) << size;
  }
  EXPECT_EQ(testing::entries_of(gathered.path() / "lab-1"), (std::vector<std::string>{log, log + ".trials.csv"}));
  EXPECT_EQ(file_bytes(gathered.path() / "lab-1" / log), file_bytes(run.path() / log));
}

}  // namespace
}  // namespace novabit
