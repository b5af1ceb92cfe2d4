// The live program's wiring on a virtual clock with its screen and display
// thread in memory: a stop signal inside a record or inside the CycleEnd's
// redraw ends the run after that pass with every record of it in the file.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>

#include "experiment/experiment_events.h"
#include "monitor/monitor.h"
#include "program/stop_signals.h"
#include "replay/given_key.h"
#include "screen/memory/memory_back_end.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/log_model.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;

enum class Moment { none, inside_quarter_record, inside_five_minute_record, inside_cycle_end_redraw, inside_cycle_record };

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

// Told before the screen display, it signals the process at one moment of a pass.
class Signaller final : public ExperimentEvents {
 public:
  Signaller(const SignallingWallClock& wallClock, Moment moment, int signalNumber)
      : wallClock_(wallClock), moment_(moment), signal_(signalNumber) {}

  // Each checkpoint is told right before its record is written.
  void checkpoint_closed(const ClosedCheckpoint& checkpoint) override {
    if (moment_ == (checkpoint.period == Period::quarter ? Moment::inside_quarter_record : Moment::inside_five_minute_record)) {
      wallClock_.arm(signal_);
    }
  }
  void cycle_ended(const EndedCycle&) override {
    if (moment_ == Moment::inside_cycle_end_redraw) kill(getpid(), signal_);
    if (moment_ == Moment::inside_cycle_record) wallClock_.arm(signal_);
  }

 private:
  const SignallingWallClock& wallClock_;
  Moment moment_;
  int signal_;
};

struct StoppedRun {
  std::string log;
  std::int32_t passesRun;
};

// A run placed ten passes before the end of the first cycle: pass 43200
// writes a quarter and a five-minute record, pass 43201 ends the cycle. A
// signal at `moment` stops it; it stops after `lastPass` at the latest.
StoppedRun stopped_run(Moment moment, int signalNumber, std::int32_t lastPass) {
  const testing::ScratchDirectory directory(true);
  const StopSignals signals;
  testing::SteppingClock clock(1000.25L, 1.0L / 64);
  const testing::VirtualWallClock virtualWallClock(clock, std::chrono::sys_days{std::chrono::December / 5 / 2026} + 22h - 1000s);
  const SignallingWallClock wallClock(virtualWallClock);
  GivenKey sealer(testing::kTestKey);
  MemoryBackEnd backEnd;
  std::unique_ptr<Monitor> monitor;
  MonitorSettings settings;
  settings.console = nullptr;
  settings.errors = nullptr;
  monitor = std::make_unique<Monitor>(
      MonitorDevices{{backEnd},
                     clock,
                     wallClock,
                     sealer,
                     [&] { return signals.requested() || monitor->driver().state().secondsElapsed > lastPass; }},
      settings);
  Signaller signaller(wallClock, moment, signalNumber);
  monitor->add_listener(signaller);
  EXPECT_TRUE(monitor->open_screen());
  EXPECT_TRUE(monitor->start());
  ExperimentState& state = monitor->driver().state();
  state.secondsElapsed = 43191;
  state.cycleMinute = 719;
  state.minuteSecond = 50;
  monitor->run();
  EXPECT_EQ(monitor->end_status(), 0);
  EXPECT_EQ(signals.requested(), moment != Moment::none);
  monitor->close_screen();
  return {testing::file_bytes("estudio_12-05-2026"), monitor->driver().state().secondsElapsed - 1};
}

TEST(StopSignalsTest, AStopSignalInsideARecordFinishesThePass) {
  const struct {
    Moment moment;
    int signalNumber;
    std::int32_t lastPass;
  } cases[] = {{Moment::inside_quarter_record, SIGTERM, 43200},  {Moment::inside_five_minute_record, SIGINT, 43200},
               {Moment::inside_cycle_end_redraw, SIGHUP, 43201}, {Moment::inside_cycle_record, SIGTERM, 43201},
               {Moment::inside_quarter_record, SIGUSR1, 43200},  {Moment::inside_cycle_record, SIGALRM, 43201}};
  for (const auto& c : cases) {
    const StoppedRun expected = stopped_run(Moment::none, 0, c.lastPass);
    ASSERT_EQ(std::count(expected.log.begin(), expected.log.end(), '\n'), c.lastPass == 43200 ? 6 : 7);
    // Ten passes later at the latest, should the signal go unnoticed.
    const StoppedRun signalled = stopped_run(c.moment, c.signalNumber, c.lastPass + 10);
    EXPECT_EQ(signalled.log, expected.log) << static_cast<int>(c.moment);
    EXPECT_EQ(signalled.passesRun, c.lastPass) << "the run ends in the signalled pass's wait";
  }
}

}  // namespace
}  // namespace novabit
