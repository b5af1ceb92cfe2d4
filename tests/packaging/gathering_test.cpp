// The scripts a station's units run. The gathering unit's own command, run
// between local folders while a station records, restarts and restarts again
// on the same day: after every gathering the station's files are there byte
// for byte, no gathered copy was ever cut or overwritten (a run replaced
// under its name is kept aside, and said), and the seals never leave the
// station. And novabit-start as the system unit of a station without a
// desktop runs it (with Xvfb for the station's X server): the monitor comes
// up on that server with its options read as a shell reads words, a stop
// signal ends it in order and takes the server with it, and the monitor's own
// exit status is the script's, which the unit's restarts depend on.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <thread>

#include "support/live_monitor.h"
#include "support/x_server.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing::file_bytes;
using testing::write_bytes;

// The unit's command for station folder `station` and gathering folder
// `gathered` on this machine.
std::string gather_command(const std::filesystem::path& station, const std::filesystem::path& gathered) {
  const std::string unit = file_bytes(NOVABIT_SOURCE_DIR "/packaging/gather/novabit-gather@.service");
  std::smatch command;
  if (!std::regex_search(unit, command, std::regex("ExecStart=@NOVABIT_LIBEXECDIR@(.*) %i:novabit/ %h/novabit-network/%i/\n")))
    return "";
  return NOVABIT_SOURCE_DIR "/packaging/gather" + command.str(1) + " " + station.string() + "/ " + gathered.string() + "/";
}

std::map<std::string, std::string> folder_bytes(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const std::string& name : testing::entries_of(folder)) files[name] = file_bytes(folder / name);
  return files;
}

TEST(Gathering, KeepsEveryRunWholeAcrossRestartsAndNeverTheSeals) {
  if (!testing_x::program_path("rsync")) GTEST_SKIP() << "rsync is not installed";
  const testing::ScratchDirectory station, gathered;
  const std::filesystem::path copies = gathered.path() / "lab-1";
  std::filesystem::create_directory(copies);
  const std::string command = gather_command(station.path(), copies);
  const std::string log = "estudio_12-05-2026", raw = log + ".trials.csv";
  // A run under way (its raw record ending inside a row), the same run grown
  // (its gathered copy cut short by ten bytes), then two restarts on the same
  // day: a shorter run, and a longer one than any before.
  std::string whole;
  for (const int passes : {1500, 0, 700, 2000}) {
    if (passes > 0) {
      testing_app::LiveMonitor run(station.path(),
                                   testing_app::simulator({"--no-screen", "--passes", std::to_string(passes), "--seed",
                                                           std::to_string(passes), "--start", "2026-12-05 08:00:00"}));
      ASSERT_EQ(run.wait_for_exit(60s), 0);
      whole = file_bytes(station.path() / raw);
      for (const std::string seal : {".seal", ".lab-1.seal", ".seal.1"}) write_bytes(station.path() / (log + seal), "key=\n");
    }
    write_bytes(station.path() / raw, passes == 1500 ? whole.substr(0, 2 * whole.size() / 3 + 7) : whole);
    if (passes == 0) std::filesystem::resize_file(copies / raw, std::filesystem::file_size(copies / raw) - 10);
    const std::map<std::string, std::string> before = folder_bytes(copies);
    const std::optional<std::string> said = testing_x::command_output(command + " 2>&1");
    ASSERT_TRUE(said) << command;
    const std::map<std::string, std::string> after = folder_bytes(copies), now = folder_bytes(station.path());
    for (const auto& [name, bytes] : now) {
      EXPECT_TRUE(name.find(".seal") != std::string::npos || (after.count(name) && after.at(name) == bytes)) << name;
    }
    for (const auto& [name, bytes] : after) {
      EXPECT_TRUE(name.find(".replaced-") != std::string::npos || (now.count(name) && name.find(".seal") == std::string::npos))
          << name;
    }
    // A copy that did not grow was kept aside whole under a new name, and said.
    for (const auto& [name, bytes] : before) {
      if (after.at(name).starts_with(bytes)) continue;
      const auto kept = std::find_if(after.begin(), after.end(), [&](const auto& copy) {
        return copy.first.starts_with(name + ".replaced-") && copy.second == bytes && before.count(copy.first) == 0;
      });
      EXPECT_TRUE(kept != after.end() && said->find(name + " no longer begins with the gathered copy, which is kept as " +
                                                    kept->first) != std::string::npos)
          << name << " was not kept aside whole: " << *said;
    }
  }
}

TEST(StationStart, RunsTheMonitorOnItsOwnXServerAndEndsWithItsStatus) {
  const auto xvfb = testing_x::program_path("Xvfb");
  if (!xvfb) GTEST_SKIP() << "Xvfb is not installed";
  int display = 100 + getpid() % 400;
  while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display))) ++display;
  const auto start = [&](const std::string& options) {
    return testing_app::Launch{.program = "/bin/sh",
                               .arguments = {NOVABIT_SOURCE_DIR "/packaging/novabit-start.in", *xvfb,
                                             ":" + std::to_string(display), "-screen", "0", "800x600x24", "-nolisten", "tcp"},
                               .environment = {{"NOVABIT_MONITOR", NOVABIT_EXECUTABLE},
                                               {"NOVABIT_DIR", "study files"},
                                               {"NOVABIT_OPTIONS", options},
                                               {"DISPLAY", std::nullopt}}};
  };
  const testing::ScratchDirectory home;
  testing_app::LiveMonitor station(home.path(), start("--station 'lab 1' --no-trials"));
  const std::filesystem::path log = home.path() / "study files" / ("estudio_" + testing_app::today());
  for (int tries = 0; tries < 300 && !std::filesystem::exists(log); ++tries) std::this_thread::sleep_for(100ms);
  ASSERT_TRUE(std::filesystem::exists(log)) << station.errors();
  station.send(SIGTERM);
  EXPECT_EQ(station.wait_for_exit(20s), 0) << station.errors();
  EXPECT_NE(testing::file_bytes(log.string() + ".seal").find("\nstation=lab 1\n"), std::string::npos);
  testing_app::LiveMonitor refused(home.path(), start("--no-such-option"));
  EXPECT_EQ(refused.wait_for_exit(30s), 2) << refused.errors();
  EXPECT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display))) << "the X server outlived its monitor";
}

}  // namespace
}  // namespace novabit
