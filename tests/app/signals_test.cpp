// SIGTERM, SIGINT and SIGHUP end a run in order: the live monitor closes its
// window and its study log with status 0; the simulator, stopped at random
// moments, keeps exactly the records of the passes it ran; and the live
// program's key source, signalled inside a record and inside a CycleEnd
// redraw, finishes that pass with every record of it in the file.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/live_monitor.h"
#include "display/forwarding_display.h"
#include "display/screen_display.h"
#include "monitor/monitor.h"
#include "monitor/stop_signals.h"
#include "experiment/test_doubles.h"
#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/memory/memory_back_end.h"
#include "screen_sdl/x_server.h"
#include "simulator/study_log_check.h"
#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing::file_bytes;
using testing_app::LiveMonitor;
using testing_app::monitor_window_exists;
using testing_app::ScratchDirectory;
using testing_app::simulator;
using testing_app::today;
using testing::check_study_log;

constexpr std::array kStopSignals = {SIGTERM, SIGINT, SIGHUP};

std::string signal_name(int signalNumber) {
  return signalNumber == SIGTERM ? "SIGTERM" : signalNumber == SIGINT ? "SIGINT" : "SIGHUP";
}

class LiveSignalTest : public ::testing::TestWithParam<int> {};

TEST_P(LiveSignalTest, EndsInOrderWithStatusZero) {
  if (!testing_x::program_path("Xvfb") || !testing_x::program_path("xdotool")) {
    GTEST_SKIP() << "Xvfb and xdotool are needed";
  }
  testing_x::XvfbServer server(800, 600);
  ASSERT_TRUE(server.running());
  ScratchDirectory directory;
  const std::string date = today();
  LiveMonitor monitor(directory.path());
  ASSERT_FALSE(monitor.wait_for_window().empty());
  std::mt19937 random(static_cast<unsigned>(GetParam()));
  std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution(0, 1500)(random)));
  monitor.send(GetParam());

  EXPECT_EQ(monitor.wait_for_exit(5s), 0);
  EXPECT_EQ(monitor.errors(), "");
  EXPECT_FALSE(monitor_window_exists()) << "the window is closed";
  if (today() != date) GTEST_SKIP() << "the date changed during the run";
  const auto log = directory.path() / ("estudio_" + date);
  EXPECT_TRUE(std::filesystem::is_regular_file(log));
  EXPECT_EQ(file_bytes(log), "") << "no record before pass 300";
}

INSTANTIATE_TEST_SUITE_P(LiveProgram, LiveSignalTest, ::testing::ValuesIn(kStopSignals),
                         [](const ::testing::TestParamInfo<int>& info) { return signal_name(info.param); });

// Two whole cycles take well under a second without a screen.
constexpr std::int64_t kSimulatedPasses = 2 * 43201;
const std::vector<std::string> kSimulatedRun = {"--no-screen", "--quiet", "--passes", std::to_string(kSimulatedPasses),
                                                "--seed",      "1000",    "--start",  "2026-12-05 22:00:00"};
const char* const kSimulatedLog = "estudio_12-05-2026";

std::size_t records_of_passes(std::int64_t passes) {
  return static_cast<std::size_t>(passes / 300 + passes / 900 + passes / 43201);
}

TEST(SimulatorSignals, AStopAtAnyMomentKeepsEveryRecordOfThePassesRun) {
  ScratchDirectory referenceDirectory;
  const auto begin = std::chrono::steady_clock::now();
  LiveMonitor reference(referenceDirectory.path(), simulator(kSimulatedRun));
  ASSERT_EQ(reference.wait_for_exit(60s), 0) << reference.errors();
  const auto runTime = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin);
  const std::string complete = file_bytes(referenceDirectory.path() / kSimulatedLog);
  const auto completeCheck = check_study_log(complete);
  ASSERT_FALSE(completeCheck.malformed) << *completeCheck.malformed;
  ASSERT_EQ(completeCheck.records.size(), records_of_passes(kSimulatedPasses));

  std::mt19937 random(1205);
  for (int round = 0; round < 8; ++round) {
    ScratchDirectory directory;
    LiveMonitor run(directory.path(), simulator(kSimulatedRun));
    // The log exists once the run is under way, its signal handlers set.
    for (int wait = 0; wait < 1000 && !std::filesystem::exists(directory.path() / kSimulatedLog); ++wait) {
      std::this_thread::sleep_for(1ms);
    }
    const int signalNumber = kStopSignals[std::uniform_int_distribution<std::size_t>(0, 2)(random)];
    const auto delay = std::chrono::milliseconds(std::uniform_int_distribution<long>(0, runTime.count())(random));
    SCOPED_TRACE("round " + std::to_string(round) + ": " + signal_name(signalNumber) + " after " +
                 std::to_string(delay.count()) + " ms");
    std::this_thread::sleep_for(delay);
    run.send(signalNumber);

    const std::optional<int> status = run.wait_for_exit(60s);
    ASSERT_TRUE(status);
    const std::string errors = run.errors();
    std::int64_t passesRun = kSimulatedPasses;
    if (*status == 1) {
      long long stoppedAfter = 0;
      ASSERT_EQ(std::sscanf(errors.c_str(), "novabit-sim: stopped after %lld of", &stoppedAfter), 1) << errors;
      passesRun = stoppedAfter;
      EXPECT_EQ(errors, "novabit-sim: stopped after " + std::to_string(passesRun) + " of " +
                            std::to_string(kSimulatedPasses) + " passes; the files hold those passes\n");
    } else {
      ASSERT_EQ(*status, 0) << "the run ended before the signal";
      EXPECT_EQ(errors, "");
    }
    const std::string log = file_bytes(directory.path() / kSimulatedLog);
    const auto check = check_study_log(log);
    EXPECT_FALSE(check.malformed) << "whole records only: " << check.malformed.value_or("");
    EXPECT_EQ(check.records.size(), records_of_passes(passesRun));
    EXPECT_TRUE(complete.starts_with(log)) << "as the complete run wrote them";
  }
}

// A stop while a write to a full pipe blocks is a stop, not a failed write:
// the write goes on once the reader reads again.
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

enum class Moment { inside_quarter_record, inside_five_minute_record, inside_cycle_end_redraw, inside_cycle_record };

// Signals the process once, at its next reading: a record reads the wall
// clock for its date after its first bytes are written.
class SignallingWallClock final : public WallClock {
 public:
  explicit SignallingWallClock(const WallClock& clock) : clock_(clock) {}
  LocalTime now() const override {
    if (armedWith_ != 0) kill(getpid(), std::exchange(armedWith_, 0));
    return clock_.now();
  }
  void arm(int signalNumber) const { armedWith_ = signalNumber; }

 private:
  const WallClock& clock_;
  mutable int armedWith_ = 0;
};

// The screen display, signalling the process at one moment of a pass.
class SignallingDisplay final : public ForwardingDisplay {
 public:
  SignallingDisplay(MonitorDisplay& display, const SignallingWallClock& wallClock,
                    std::optional<Moment> moment, int signalNumber)
      : ForwardingDisplay(display), wallClock_(wallClock), moment_(moment), signal_(signalNumber) {}

  // Each checkpoint's dot comes right before its record; the larger dot is the quarter's.
  void draw_checkpoint_dot(std::int32_t x, std::int32_t y, std::int32_t radius, std::uint32_t colour) override {
    ForwardingDisplay::draw_checkpoint_dot(x, y, radius, colour);
    const Moment record = radius > 1 ? Moment::inside_quarter_record : Moment::inside_five_minute_record;
    if (moment_ == record) wallClock_.arm(signal_);
  }
  void redraw_cycle_display(const CyclePanel& panel, const RunStart& start) override {
    if (moment_ == Moment::inside_cycle_end_redraw) kill(getpid(), signal_);
    ForwardingDisplay::redraw_cycle_display(panel, start);
    if (moment_ == Moment::inside_cycle_record) wallClock_.arm(signal_);
  }

 private:
  const SignallingWallClock& wallClock_;
  std::optional<Moment> moment_;
  int signal_;
};

// The live program's wiring with its screen (in memory, with its display
// thread) and its stop signals, on a virtual clock. The run is placed ten
// passes before the end of the first cycle: pass 43200 writes a quarter and a
// five-minute record, pass 43201 ends the cycle.
class LiveRun {
 public:
  // A signal at `moment`, if any, stops the run; else it stops after `lastPass`.
  LiveRun(const std::filesystem::path& directory, const StopSignals& signals, std::optional<Moment> moment,
          int signalNumber, std::int32_t lastPass)
      : monitor_({{backEnd_}, clock_, wallClock_, sealer_,
                  [this, &signals, lastPass] {
                    return signals.requested() || monitor_.driver().state().secondsElapsed > lastPass;
                  }},
                 {"novabit", nullptr, errors_, true, true, DriverOptions{true, nullptr, directory},
                  [this, moment, signalNumber](MonitorDisplay& shown, const GraphScreen*) {
                    return std::make_unique<SignallingDisplay>(shown, wallClock_, moment, signalNumber);
                  }}) {
    monitor_.open_screen();
  }
  ~LiveRun() { std::fclose(errors_); }
  LiveRun(const LiveRun&) = delete;
  LiveRun& operator=(const LiveRun&) = delete;

  // The exit status, as the live program ends.
  int run() {
    if (!monitor_.start()) return -1;
    ExperimentState& state = monitor_.driver().state();
    state.secondsElapsed = 43191;
    state.cycleMinute = 719;
    state.minuteSecond = 50;
    monitor_.run();
    const int status = monitor_.end_status();
    monitor_.close_screen();
    return status;
  }
  const ExperimentState& state() { return monitor_.driver().state(); }

 private:
  testing::SteppingClock clock_{1000.25L, 1.0L / 64};
  testing::VirtualWallClock virtualWallClock_{clock_, std::chrono::sys_days{std::chrono::December / 5 / 2026} + 22h -
                                                          1000s};
  SignallingWallClock wallClock_{virtualWallClock_};
  std::FILE* errors_ = std::tmpfile();
  GivenKey sealer_{key_from_seed(1)};
  MemoryBackEnd backEnd_;
  Monitor monitor_;
};

struct SignalMoment {
  const char* name;
  Moment moment;
  int signalNumber;
  std::int32_t lastPass;  // the pass the signal comes in
  long lines;             // in the log once that pass is complete
};

void PrintTo(const SignalMoment& moment, std::ostream* out) { *out << moment.name; }

class SignalMomentTest : public ::testing::TestWithParam<SignalMoment> {};

TEST_P(SignalMomentTest, ThePassFinishesAndEveryRecordIsInTheFile) {
  const SignalMoment& moment = GetParam();
  ScratchDirectory referenceDirectory;
  const StopSignals signals(false);
  LiveRun reference(referenceDirectory.path(), signals, std::nullopt, 0, moment.lastPass);
  ASSERT_EQ(reference.run(), 0);
  const std::string expected = file_bytes(referenceDirectory.path() / "estudio_12-05-2026");
  ASSERT_EQ(std::count(expected.begin(), expected.end(), '\n'), moment.lines);

  ScratchDirectory directory;
  // Ten passes later at the latest, should the signal go unnoticed.
  LiveRun signalled(directory.path(), signals, moment.moment, moment.signalNumber, moment.lastPass + 10);
  EXPECT_EQ(signalled.run(), 0);
  EXPECT_TRUE(signals.requested()) << "the signal came";
  EXPECT_EQ(signalled.state().secondsElapsed, moment.lastPass + 1) << "the run ended in the pass's wait";
  EXPECT_EQ(file_bytes(directory.path() / "estudio_12-05-2026"), expected);
}

INSTANTIATE_TEST_SUITE_P(
    LiveKeySource, SignalMomentTest,
    ::testing::Values(SignalMoment{"SigtermInsideAQuarterRecord", Moment::inside_quarter_record, SIGTERM, 43200, 4 + 2},
                    SignalMoment{"SigintInsideAFiveMinuteRecord", Moment::inside_five_minute_record, SIGINT, 43200, 4 + 2},
                    SignalMoment{"SighupInsideACycleEndRedraw", Moment::inside_cycle_end_redraw, SIGHUP, 43201, 4 + 2 + 1},
                    SignalMoment{"SigtermInsideACycleRecord", Moment::inside_cycle_record, SIGTERM, 43201, 4 + 2 + 1}),
    [](const ::testing::TestParamInfo<SignalMoment>& info) { return info.param.name; });

}  // namespace
}  // namespace novabit
