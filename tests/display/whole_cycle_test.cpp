// A whole 12-hour cycle through the program's wiring with the screen in
// memory, against pictures painted independently: the frame model, one point
// per pass and one dot per checkpoint from the model's counts, just before the
// CycleEnd and a few passes after it.

#include <gtest/gtest.h>

#include <cfenv>
#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "experiment/experiment_events.h"
#include "monitor/monitor.h"
#include "screen/memory/memory_back_end.h"
#include "support/expected_frame.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/log_model.h"
#include "support/picture.h"

namespace novabit::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::int64_t kCyclePasses = kPassesPerCycle;

// Keeps the screen as it is when the CycleEnd begins its redraw.
class CycleCapture final : public ExperimentEvents {
 public:
  explicit CycleCapture(const GraphScreen& screen) : screen_(screen) {}
  std::optional<Picture> beforeCycleEnd;
  void cycle_ended(const EndedCycle&) override { beforeCycleEnd.emplace(*screen_.frame()); }

 private:
  const GraphScreen& screen_;
};

Colour leaning(const PassCounts& counts, Colour zero, Colour one) {
  return counts.zeros > counts.ones ? zero : counts.ones > counts.zeros ? one : 0xFFFFFF;
}

// The points of passes first..last of a cycle whose pass 1 is `cycleStart`,
// and the dots of their checkpoints, painted over `picture` in drawing order.
void paint_graph(Picture& picture, const std::vector<PassCounts>& passes, std::int64_t cycleStart,
                 std::int64_t first, std::int64_t last) {
  PassCounts five, quarter;
  for (std::int64_t pass = 1; pass <= last; ++pass) {
    const PassCounts& counts = passes[static_cast<std::size_t>(pass - 1)];
    for (PassCounts* period : {&five, &quarter}) period->zeros += counts.zeros, period->ones += counts.ones;
    const std::int64_t inCycle = pass - cycleStart;
    if (pass >= first) {
      picture.set(static_cast<int>(inCycle / 60) + 1, static_cast<int>(inCycle % 60) + 30,
                  leaning(counts, 0x4444FF, 0xFF4444));
    }
    for (const auto& [period, every, radius, zero, one] :
         {std::tuple{&quarter, 900, 2, 0x8888DDu, 0xDD8888u}, std::tuple{&five, 300, 1, 0x4444DDu, 0xDD4444u}}) {
      if (pass % every != 0) continue;
      // One pixel per hundredth of the period's expected count from the centre line, halves to even.
      const int y = static_cast<int>(std::nearbyint(115 + (period->zeros - period->ones) * 100.0 / (every * 100)));
      if (pass >= first) {
        Picture dotted = picture;
        paint_dot(dotted, static_cast<int>((pass - cycleStart + 299) / 300 * 5) + 1, y + 30, radius,
                  leaning(*period, zero, one));
        for (int row = 30; row <= 202; ++row) {
          for (int x = 1; x <= 721; ++x) picture.copy_pixel(dotted, x, row);
        }
      }
      *period = PassCounts{};
    }
  }
}

// The quarter record's global average towards `side` ("UNO" or "CERO") last written to the log.
std::string last_global(const std::string& log, const std::string& side) {
  const std::string label = "global hacia el " + side + " en %: ";
  return log.substr(log.rfind(label) + label.size(), 5);
}

TEST(WholeCycleTest, GraphFillsUpAndTheCycleEndStartsItAfresh) {
  ASSERT_EQ(std::fegetround(), FE_TONEAREST);
  const ScratchDirectory directory(true);
  SteppingClock clock(1000.25L, 0.25L);
  // Clock second 1000, the first pass's, is 22:10:00 on 5 December 2026.
  const VirtualWallClock wallClock(clock, std::chrono::sys_days{2026y / 12 / 5} + 22h + 10min - 1000s);
  GivenKey sealer(kTestKey);
  MemoryBackEnd backEnd;
  MonitorSettings settings;
  settings.console = nullptr;
  settings.errors = nullptr;
  settings.displayThread = false;
  settings.durableWrites = false;
  Monitor monitor({{backEnd}, clock, wallClock, sealer, {}}, settings);
  ASSERT_TRUE(monitor.open_screen());
  CycleCapture capture(*monitor.screen());
  monitor.add_listener(capture);
  ASSERT_TRUE(monitor.start());
  ASSERT_EQ(monitor.run(kCyclePasses + 3), RunEnd::pass_limit);
  const auto passes = model_passes(kTestKey, kCyclePasses + 3);
  const RunStart start{"12-05-2026", "22:10:00"};

  ASSERT_TRUE(capture.beforeCycleEnd);
  const Picture& before = *capture.beforeCycleEnd;
  Picture expected = expected_frame(start, "12-05-2026");
  paint_side_panel(expected, " 0", "", "");
  expected.copy_rows(before, 16 * 16, 33 * 16 - 1);
  paint_graph(expected, passes, 1, 1, kCyclePasses);
  EXPECT_TRUE(same_picture(before, expected));

  monitor.end_status();
  const std::string log = file_bytes("estudio_12-05-2026");
  const Picture after(*monitor.screen()->frame());
  expected = expected_frame(start, "12-06-2026");
  paint_side_panel(expected, " 1", last_global(log, "UNO"), last_global(log, "CERO"));
  expected.copy_rows(after, 16 * 16, 33 * 16 - 1);
  paint_graph(expected, passes, kCyclePasses + 1, kCyclePasses + 1, kCyclePasses + 3);
  EXPECT_TRUE(same_picture(after, expected));
}

}  // namespace
}  // namespace novabit::testing
