// The live program refused at start-up: a working directory it may not write
// in, something that is not a file already under the study log's name, and
// no display to show the window on. Each ends with status 1 and one line on
// stderr that names what failed and why, leaves no window and touches
// nothing outside the working directory.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/live_monitor.h"
#include "experiment/test_doubles.h"
#include "screen_sdl/x_server.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing::file_bytes;
using testing_app::Launch;
using testing_app::LiveMonitor;
using testing_app::monitor_window_exists;
using testing_app::ScratchDirectory;
using testing_app::today;
namespace fs = std::filesystem;

struct RefusedLog {
  const char* name;
  // Prepares the working directory for the log `logName`; `outside` is a
  // directory beside it, holding the file "kept", that the program must leave alone.
  std::function<void(const fs::path& directory, const fs::path& outside, const std::string& logName,
                     Launch& launch)>
      prepare;
  int error;
  std::vector<std::string> entriesAfter;  // in the working directory; "LOG" stands for the log's name
};

void PrintTo(const RefusedLog& refused, std::ostream* out) { *out << refused.name; }

class RefusedLogTest : public ::testing::TestWithParam<RefusedLog> {};

TEST_P(RefusedLogTest, EndsWithStatusOneNamingTheFileAndTheReason) {
  if (!testing_x::program_path("Xvfb") || !testing_x::program_path("xdotool")) {
    GTEST_SKIP() << "Xvfb and xdotool are needed";
  }
  testing_x::XvfbServer server(800, 600);
  ASSERT_TRUE(server.running());
  ScratchDirectory directory;
  ScratchDirectory outside;
  const std::string date = today();
  const std::string logName = "estudio_" + date;
  std::ofstream(outside.path() / "kept", std::ios::binary) << "kept\r\n";
  Launch launch;
  GetParam().prepare(directory.path(), outside.path(), logName, launch);
  const std::vector<std::string> outsideBefore = outside.entries();

  LiveMonitor monitor(directory.path(), launch);
  const std::optional<int> status = monitor.wait_for_exit(20s);
  if (today() != date) GTEST_SKIP() << "the date changed during the run";
  ASSERT_TRUE(status) << "still running";
  EXPECT_EQ(*status, 1);
  EXPECT_EQ(monitor.errors(),
            "novabit: cannot create the study log " + logName + ": " + std::strerror(GetParam().error) + "\n");
  EXPECT_EQ(monitor.output(), "");
  EXPECT_FALSE(monitor_window_exists()) << "no window is left behind";

  std::vector<std::string> expected = GetParam().entriesAfter;
  for (auto& name : expected) {
    if (name == "LOG") name = logName;
  }
  EXPECT_EQ(directory.entries(), expected);
  EXPECT_EQ(outside.entries(), outsideBefore) << "nothing outside the working directory is created";
  EXPECT_EQ(file_bytes(outside.path() / "kept"), "kept\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    LiveProgram, RefusedLogTest,
    ::testing::Values(
        RefusedLog{"UnwritableWorkingDirectory",
                   [](const fs::path& directory, const fs::path&, const std::string&, Launch& launch) {
                     // As root anything may be written: the program runs as nobody in root's
                     // directory, as an ordinary user would; otherwise the directory is read-only.
                     if (geteuid() == 0) {
                       fs::permissions(directory, fs::perms(0755));
                       launch.asNobody = true;
                     } else {
                       fs::permissions(directory, fs::perms(0555));
                     }
                   },
                   EACCES,
                   {}},
        RefusedLog{"DirectoryUnderTheLogsName",
                   [](const fs::path& directory, const fs::path&, const std::string& logName, Launch&) {
                     fs::create_directory(directory / logName);
                   },
                   EEXIST,
                   {"LOG"}},
        RefusedLog{"SymlinkToAFileElsewhere",
                   [](const fs::path& directory, const fs::path& outside, const std::string& logName, Launch&) {
                     fs::create_symlink(outside / "kept", directory / logName);
                   },
                   EEXIST,
                   {"LOG"}},
        RefusedLog{"DanglingSymlinkToANewFileElsewhere",
                   [](const fs::path& directory, const fs::path& outside, const std::string& logName, Launch&) {
                     fs::create_symlink(outside / "planted", directory / logName);
                   },
                   EEXIST,
                   {"LOG"}}),
    [](const ::testing::TestParamInfo<RefusedLog>& info) { return info.param.name; });

// The display the program is pointed at, as the environment names it.
struct MissingDisplay {
  const char* name;
  std::optional<std::string> display;
};

void PrintTo(const MissingDisplay& missing, std::ostream* out) { *out << missing.name; }

class MissingDisplayTest : public ::testing::TestWithParam<MissingDisplay> {};

// A number no X server listens on: it has no socket.
std::string unused_display() {
  for (int number = 919;; ++number) {
    if (!fs::exists("/tmp/.X11-unix/X" + std::to_string(number)) &&
        !fs::exists("/tmp/.X" + std::to_string(number) + "-lock")) {
      return ":" + std::to_string(number);
    }
  }
}

TEST_P(MissingDisplayTest, SaysTheModeSetFailedAndCreatesNoLog) {
  ScratchDirectory directory;
  ScratchDirectory runtime;  // Wayland's probe would complain about a missing one
  Launch launch;
  launch.environment = {{"DISPLAY", GetParam().display},
                        {"WAYLAND_DISPLAY", std::nullopt},
                        {"SDL_VIDEODRIVER", std::nullopt},
                        {"XDG_RUNTIME_DIR", runtime.path().string()}};
  LiveMonitor monitor(directory.path(), launch);
  const std::optional<int> status = monitor.wait_for_exit(10s);
  ASSERT_TRUE(status) << "still running: it must not run without a visible window";
  EXPECT_EQ(*status, 1);
  EXPECT_EQ(monitor.output(), "Error setting video mode!\r\n");
  const std::string errors = monitor.errors();
  EXPECT_EQ(errors.rfind("novabit: cannot open the screen: ", 0), 0U) << errors;
  EXPECT_GT(errors.size(), std::strlen("novabit: cannot open the screen: ") + 1) << "the reason is given";
  EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "one line: " << errors;
  EXPECT_TRUE(directory.entries().empty()) << "no study log";
}

INSTANTIATE_TEST_SUITE_P(LiveProgram, MissingDisplayTest,
                         ::testing::Values(MissingDisplay{"DisplayUnset", std::nullopt},
                                         MissingDisplay{"DisplayWithoutServer", unused_display()}),
                         [](const ::testing::TestParamInfo<MissingDisplay>& info) { return info.param.name; });

}  // namespace
}  // namespace novabit
