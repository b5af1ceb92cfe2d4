// The real programs under stop signals and with broken standard streams. A
// thousand SIGHUPs; a SIGTERM waiting as it starts, or at a moment from 0 to
// 95 ms after the start, the program started with the stop signals blocked, as
// a parent may start it, so that it must take them from the first instruction
// of main on; standard
// error closed, or a pipe whose reader has gone, while a stuck source raises
// alarm after alarm. Each case runs twenty times, five at a time on one X
// server, and every run must end in order: status 0, its raw record whole, no
// line but its own. Then novabit-sim stopped while a write to a full pipe
// blocks ends as a stop, not as a failed write.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "seal/seal.h"
#include "support/live_monitor.h"
#include "support/simulator_run.h"
#include "support/x_server.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing_app::Launch;
using testing_app::LiveMonitor;
using testing_app::ScratchDirectory;
using testing_app::simulator;

struct LiveRun {
  ScratchDirectory directory;
  std::optional<LiveMonitor> monitor;
};

struct SignalCase {
  const char* name;
  Launch launch;
  std::function<void(LiveRun&, int index)> act;
  bool stuck = false;  // alarms are raised
};

Launch stuck_source(Launch::Errors errors) {
  Launch launch;
  launch.arguments = {"--source", "device:/dev/zero"};
  launch.errors = errors;
  return launch;
}

// The space bar, once a few passes have raised their alarms.
void space_after_alarms(LiveRun& run, int) {
  const std::string window = run.monitor->wait_for_window();
  std::this_thread::sleep_for(2500ms);
  testing_x::command_output("xdotool key --window " + window + " space");
}

const SignalCase kCases[] = {
    {"a thousand SIGHUPs",
     {},
     [](LiveRun& run, int) {
       run.monitor->under_way();
       for (int signal = 0; signal < 1000 && run.monitor->running(); ++signal) {
         run.monitor->send(SIGHUP);
         std::this_thread::sleep_for(1ms);
       }
     }},
    {"SIGTERM 0 to 95 ms after the start",
     [] {
       Launch launch;
       launch.stopSignalsBlocked = true;
       return launch;
     }(),
     [](LiveRun& run, int index) {
       std::this_thread::sleep_for(std::chrono::milliseconds(5 * index));
       run.monitor->send(SIGTERM);
     }},
    {"standard error closed, a stuck source", stuck_source(Launch::Errors::closed), space_after_alarms, true},
    {"standard error a broken pipe, a stuck source", stuck_source(Launch::Errors::broken_pipe), space_after_alarms, true},
};

TEST(SoakLiveSignals, EveryRunEndsInOrderWhateverTheSignalsAndStreams) {
  if (!testing_x::program_path("Xvfb") || !testing_x::program_path("xdotool")) GTEST_SKIP() << "Xvfb and xdotool";
  const testing_x::XvfbServer server(800, 600);
  for (const SignalCase& c : kCases) {
    SCOPED_TRACE(c.name);
    int inOrder = 0;
    for (int batch = 0; batch < 4; ++batch) {
      std::array<LiveRun, 5> runs;
      std::vector<std::thread> actors;
      // Started from this thread: a program started with --pdeathsig ends with the thread that started it.
      for (int i = 0; i < 5; ++i) {
        Launch launch = c.launch;  // the first run's stop already waits as it starts
        launch.stopPending = launch.stopSignalsBlocked && batch == 0 && i == 0;
        runs[i].monitor.emplace(runs[i].directory.path(), launch);
        actors.emplace_back([&, i] { c.act(runs[i], batch * 5 + i); });
      }
      for (std::thread& actor : actors) actor.join();
      for (LiveRun& run : runs) {
        const int before = testing_app::failed_checks();
        EXPECT_EQ(run.monitor->wait_for_exit(20s), 0);
        EXPECT_TRUE(!c.launch.stopSignalsBlocked || &run != &runs[0] || batch != 0 || run.directory.entries().empty())
            << "a stop before the start ends it with nothing created";
        EXPECT_TRUE(c.launch.errors != Launch::Errors::file || run.monitor->errors().empty()) << run.monitor->errors();
        const auto& log = run.directory.path() / ("estudio_" + testing_app::today());
        if (std::filesystem::exists(log)) {
          EXPECT_TRUE(read_seal_file(log.string() + ".seal"));
          const auto raw = testing::read_raw_record(testing::file_bytes(log.string() + ".trials.csv"));
          EXPECT_EQ(raw.head.size(), 5U);
          EXPECT_EQ(!raw.marks.empty() && raw.marks.back().starts_with("repetition_count"), c.stuck);
        }
        inOrder += testing_app::failed_checks() == before;
      }
    }
    std::printf("%s: %d of 20 runs ended in order\n", c.name, inOrder);
  }
}

TEST(SimulatorSignals, AStopDuringABlockedPipeWriteIsAStop) {
  ScratchDirectory directory;
  const std::filesystem::path fifo = directory.path() / "bits";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  LiveMonitor run(directory.path(), simulator({"--no-screen", "--quiet", "--passes", "100000", "--bits", "bits"}));
  const int reader = open(fifo.c_str(), O_RDONLY);
  ASSERT_GE(reader, 0);
  std::this_thread::sleep_for(300ms);  // the pipe fills and the write blocks
  run.send(SIGTERM);
  std::this_thread::sleep_for(100ms);
  std::array<char, 65536> buffer{};
  while (read(reader, buffer.data(), buffer.size()) > 0) {
  }
  close(reader);
  ASSERT_EQ(run.wait_for_exit(10s), 1);
  const std::string errors = run.errors();
  EXPECT_TRUE(errors.starts_with("novabit-sim: stopped after ")) << errors;
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
}

}  // namespace
}  // namespace novabit
