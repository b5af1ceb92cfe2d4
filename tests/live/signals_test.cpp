// The real programs under stop signals and with broken standard streams. A
// thousand SIGHUPs; a SIGTERM waiting as it starts, or at a moment from 0 to
// 95 ms after the start, the program started with the stop signals blocked, as
// a parent may start it, so that it must take them from the first instruction
// of main on; standard
// error closed, or a pipe whose reader has gone, while a stuck source raises
// alarm after alarm; a signal nobody should send. Each case runs twenty times,
// five at a time on one X server, and every run must end in order: its status,
// its raw record whole, no line but its own.

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

#include "experiment/pass_bits.h"
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
  // The one line an end with status 1 begins with; empty: an end with status 0 and no line.
  std::string errorsStart{};
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
    {"SIGUSR1, SIGUSR2, SIGALRM",
     {},
     [](LiveRun& run, int index) {
       run.monitor->under_way();
       run.monitor->send(std::array{SIGUSR1, SIGUSR2, SIGALRM}[static_cast<std::size_t>(index % 3)]);
     },
     false,
     "novabit: the run ended on SIG"},
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
        EXPECT_EQ(run.monitor->wait_for_exit(20s), c.errorsStart.empty() ? 0 : 1);
        EXPECT_TRUE(!c.launch.stopSignalsBlocked || &run != &runs[0] || batch != 0 || run.directory.entries().empty())
            << "a stop before the start ends it with nothing created";
        if (c.launch.errors == Launch::Errors::file) {
          const std::string errors = run.monitor->errors_besides_skipped_seconds();
          EXPECT_TRUE(errors.starts_with(c.errorsStart) &&
                      errors.ends_with(c.errorsStart.empty() ? "" : "; the study log is closed\n") &&
                      std::count(errors.begin(), errors.end(), '\n') == !c.errorsStart.empty())
              << errors;
        }
        const auto& log = run.directory.path() / ("estudio_" + testing_app::today());
        if (std::filesystem::exists(log)) {
          EXPECT_TRUE(read_seal_file(log.string() + ".seal"));
          const auto raw = testing::read_raw_record(testing::file_bytes(log.string() + ".trials.csv"));
          EXPECT_EQ(raw.head.size(), 6U);
          EXPECT_EQ(!raw.marks.empty() && raw.marks.back().starts_with("repetition_count"), c.stuck);
        }
        inOrder += testing_app::failed_checks() == before;
      }
    }
    std::printf("%s: %d of 20 runs ended in order\n", c.name, inOrder);
  }
}

// The real novabit-sim: a stop while a write to a full pipe blocks, or while
// a FIFO that delivers one pass and no more holds up the next, ends it as a
// stop, at once; a signal nobody should send ends it the same way, named; a
// limit on the size of files makes the raw record's writes fail, whole rows
// kept, instead of killing it.
struct SimulatorCase {
  const char* name;
  std::vector<std::string> arguments;
  int signalNumber;  // sent once the run is under way; 0: none
  std::string errorsStart;
  std::optional<int> fileSizeBlocks = std::nullopt;
};

const SimulatorCase kSimulatorCases[] = {
    {"a blocked pipe write", {"--passes", "100000", "--bits", "bits"}, SIGTERM, "novabit-sim: stopped after "},
    {"a slow FIFO", {"--passes", "100", "--source", "device:bits", "--trace", "t.csv"}, SIGTERM, "novabit-sim: stopped after "},
    {"SIGUSR1",
     {"--passes", "100000000", "--trace", "t.csv"},
     SIGUSR1,
     "novabit-sim: stopped by SIGUSR1, a signal it does not expect, after "},
    {"a file size limit",
     {"--passes", "3000", "--start", "2026-12-05 22:10:00"},
     0,
     "novabit-sim: estudio_12-05-2026.trials.csv: write failed: File too large; the run goes on\n"
     "novabit-sim: records lost: ",
     64},
};

TEST(SimulatorSignals, EverySignalAndLimitEndsItInOrder) {
  for (const SimulatorCase& c : kSimulatorCases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory directory;
    const std::filesystem::path fifo = directory.path() / "bits";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<std::string> arguments{"--no-screen", "--quiet"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    Launch launch = simulator(arguments);
    launch.fileSizeBlocks = c.fileSizeBlocks;
    LiveMonitor run(directory.path(), launch);
    // The pipe's reader drains it once the stop is sent; the FIFO's writer delivers one pass and holds it open.
    const bool readsBits = c.arguments[2] == "--bits", feedsBits = c.arguments[2] == "--source";
    int pipeEnd = readsBits ? open(fifo.c_str(), O_RDONLY) : -1;
    // Without a reader yet, the open fails: tried again until the simulator opens its source or ends.
    while (feedsBits && pipeEnd < 0 && run.running()) {
      pipeEnd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(!feedsBits || write(pipeEnd, std::string(kPassBytes, 'x').data(), kPassBytes) == ssize_t{kPassBytes});
    if (readsBits) std::this_thread::sleep_for(300ms);  // the pipe fills and the write blocks
    ASSERT_TRUE(c.signalNumber == 0 || readsBits || run.under_way());
    if (c.signalNumber != 0) run.send(c.signalNumber);
    std::array<char, 65536> buffer{};
    while (readsBits && read(pipeEnd, buffer.data(), buffer.size()) > 0) {
    }
    ASSERT_EQ(run.wait_for_exit(30s), 1);
    if (pipeEnd >= 0) close(pipeEnd);
    const std::string errors = run.errors();
    EXPECT_TRUE(errors.starts_with(c.errorsStart)) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), c.fileSizeBlocks ? 2 : 1) << errors;
    if (!c.fileSizeBlocks) continue;
    const std::string raw = testing::file_bytes(directory.path() / "estudio_12-05-2026.trials.csv");
    EXPECT_LE(raw.size(), 512U * *c.fileSizeBlocks);
    const auto rows = testing::read_raw_record(raw).rows.size();
    EXPECT_EQ(errors.substr(c.errorsStart.size()), std::to_string(3000 - rows) + " of estudio_12-05-2026.trials.csv\n");
  }
}

}  // namespace
}  // namespace novabit
