// The live program's wiring on a virtual clock with its screen and display
// thread in memory: a stop signal inside a record or inside the CycleEnd's
// redraw ends the run after that pass with every record of it in the file,
// and a wall clock set forward and back stamps the records without moving
// the passes.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "display/forwarding_display.h"
#include "monitor/monitor.h"
#include "monitor/stop_signals.h"
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

// The screen display, signalling the process at one moment of a pass.
class SignallingDisplay final : public ForwardingDisplay {
 public:
  SignallingDisplay(MonitorDisplay& display, const SignallingWallClock& wallClock, Moment moment, int signalNumber)
      : ForwardingDisplay(display), wallClock_(wallClock), moment_(moment), signal_(signalNumber) {}

  // Each checkpoint's dot comes right before its record; the larger dot is the quarter's.
  void draw_checkpoint_dot(std::int32_t x, std::int32_t y, std::int32_t radius, std::uint32_t colour) override {
    ForwardingDisplay::draw_checkpoint_dot(x, y, radius, colour);
    if (moment_ == (radius > 1 ? Moment::inside_quarter_record : Moment::inside_five_minute_record)) {
      wallClock_.arm(signal_);
    }
  }
  void redraw_cycle_display(const CyclePanel& panel, const RunStart& start) override {
    if (moment_ == Moment::inside_cycle_end_redraw) kill(getpid(), signal_);
    ForwardingDisplay::redraw_cycle_display(panel, start);
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
  const StopSignals signals(false);
  testing::SteppingClock clock(1000.25L, 1.0L / 64);
  const testing::VirtualWallClock virtualWallClock(clock, std::chrono::sys_days{std::chrono::December / 5 / 2026} + 22h - 1000s);
  const SignallingWallClock wallClock(virtualWallClock);
  GivenKey sealer(testing::kTestKey);
  MemoryBackEnd backEnd;
  std::unique_ptr<Monitor> monitor;
  monitor = std::make_unique<Monitor>(
      MonitorDevices{{backEnd}, clock, wallClock, sealer,
                     [&] { return signals.requested() || monitor->driver().state().secondsElapsed > lastPass; }},
      MonitorSettings{"novabit", nullptr, nullptr, true, true, {},
                      [&](MonitorDisplay& shown, const GraphScreen*) {
                        return std::make_unique<SignallingDisplay>(shown, wallClock, moment, signalNumber);
                      }});
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

TEST(StopsAndClocksTest, AStopSignalInsideARecordFinishesThePass) {
  const struct {
    Moment moment;
    int signalNumber;
    std::int32_t lastPass;
  } cases[] = {{Moment::inside_quarter_record, SIGTERM, 43200},
               {Moment::inside_five_minute_record, SIGINT, 43200},
               {Moment::inside_cycle_end_redraw, SIGHUP, 43201},
               {Moment::inside_cycle_record, SIGTERM, 43201}};
  for (const auto& c : cases) {
    const StoppedRun expected = stopped_run(Moment::none, 0, c.lastPass);
    ASSERT_EQ(std::count(expected.log.begin(), expected.log.end(), '\n'), c.lastPass == 43200 ? 6 : 7);
    // Ten passes later at the latest, should the signal go unnoticed.
    const StoppedRun signalled = stopped_run(c.moment, c.signalNumber, c.lastPass + 10);
    EXPECT_EQ(signalled.log, expected.log) << static_cast<int>(c.moment);
    EXPECT_EQ(signalled.passesRun, c.lastPass) << "the run ends in the signalled pass's wait";
  }
}

// The wall clock shows 23:00:00 for pass 1, is put forward an hour at pass 400
// and back two hours at pass 700: one pass per steady second all the same,
// each record stamped with the time shown.
TEST(StopsAndClocksTest, RecordsTakeTheWallClockAsItIsWhilePassesKeepToTheSteadyClock) {
  const testing::ScratchDirectory directory(true);
  testing::SteppingClock clock(1000.25L, 1.0L / 64);
  const auto shown_at = [](std::int64_t pass) {
    auto shown = std::chrono::sys_days{std::chrono::December / 5 / 2026} + 23h + std::chrono::seconds(pass - 1);
    if (pass >= 400) shown += 1h;
    if (pass >= 700) shown -= 2h;
    return testing::local_time_of(shown);
  };
  class JumpingWallClock final : public WallClock {
   public:
    JumpingWallClock(const testing::SteppingClock& clock, decltype(shown_at) shown) : clock_(clock), shown_(shown) {}
    LocalTime now() const override { return shown_(static_cast<std::int64_t>(std::floor(clock_.now())) - 999); }

   private:
    const testing::SteppingClock& clock_;
    decltype(shown_at) shown_;
  } wallClock(clock, shown_at);
  GivenKey sealer(testing::kTestKey);
  Monitor monitor({{}, clock, wallClock, sealer, [&] { return clock.now() > 1999.5L; }},
                  {"novabit", nullptr, nullptr, false, false, {}, {}});
  ASSERT_EQ(monitor.run_to_end(), 0);
  EXPECT_EQ(monitor.driver().state().secondsElapsed, 1001);
  testing::LogModel model(shown_at);
  for (const auto& counts : testing::model_passes(testing::kTestKey, 1000)) model.add_pass(counts);
  EXPECT_TRUE(testing::same_log(testing::file_bytes("estudio_12-05-2026"), model.log()));
}

}  // namespace
}  // namespace novabit
