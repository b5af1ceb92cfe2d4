// What the monitor draws on a memory screen for what the experiment tells:
// the text panel of each pass, and the checkpoint dots. The frame and the
// points are checked against the layout model by the simulator's whole runs.

#include <gtest/gtest.h>

#include <string>

#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/memory/memory_back_end.h"
#include "support/expected_frame.h"
#include "support/fakes.h"
#include "support/picture.h"
#include "textio/channels.h"
#include "textio/printer.h"
#include "view/monitor_view.h"

namespace novabit::testing {
namespace {

constexpr Colour kWhite = 0xFFFFFF;
const RunStart kRunStart{"12-05-2026", "22:10:00"};

class DisplayTest : public ::testing::Test {
 protected:
  DisplayTest() {
    EXPECT_TRUE(screen_.set_screen_mode(19, 16, 4, 1, 0));
    display_.run_started(kRunStart);
  }

  // What the experiment tells of one pass with these counts, in its order.
  void show_pass(std::int32_t pass, std::int32_t zeros, std::int32_t ones, Leaning leaning) {
    for (std::int32_t bit = 0; bit < zeros + ones; ++bit) display_.bit_counted(bit < zeros ? 0 : 1);
    display_.second_counted({pass, zeros, ones, leaning, std::max(zeros, ones) - 100, 0, pass - 1, {}});
    display_.pass_ended(false);
  }

  const FrameBuffer& frame() const { return *screen_.frame(); }
  Picture picture() const { return Picture(frame()); }

  ChannelTable channels_{nullptr, nullptr};
  EndSteps endSteps_;
  MemoryBackEnd backEnd_;
  GraphScreen screen_{channels_, endSteps_, {backEnd_}, GraphScreenOptions{false, "novabit"}};
  Printer printer_{channels_};
  FixedWallClock wallClock_{{2026, 12, 5, 22, 10, 0}};
  MonitorView display_{screen_, printer_, wallClock_};
};

// Each pass: 200 bits in four rows, the status and deviation lines in white
// (the balanced one in its own colour), its point, and a separator whose last
// column the next pass's first bit takes; the panel scrolls, nothing else moves.
TEST_F(DisplayTest, PassesFillAndScrollTheTextPanel) {
  const Picture startUp = picture();
  show_pass(1, 108, 92, Leaning::zero);
  std::string bits;
  for (int i = 0; i < 50; ++i) bits += " 0";
  EXPECT_TRUE(shows_text(frame(), 17, 1, bits, 0x337733, 0));
  EXPECT_TRUE(shows_text(frame(), 21, 1, " 1> hora = 22:10:00         fecha = 12-05-2026", kWhite, 0));
  EXPECT_TRUE(shows_text(frame(), 22, 1, " CEROS = 108  UNOS = 92", kWhite, 0));
  EXPECT_TRUE(shows_text(frame(), 23, 1, " > Desviacion hacia el CERO = 8 %", kWhite, 0));
  EXPECT_TRUE(shows_text(frame(), 24, 1, std::string(99, '-'), kWhite, 0));
  show_pass(2, 100, 100, Leaning::balance);
  EXPECT_TRUE(shows_text(frame(), 24, 100, " ", 0x337733, 0));
  EXPECT_TRUE(shows_text(frame(), 29, 1, "2> hora = 22:10:00          fecha = 12-05-2026", kWhite, 0));
  EXPECT_TRUE(shows_text(frame(), 31, 1, " > CEROS = UNOS", 0xFF7733, 0));
  EXPECT_TRUE(shows_text(frame(), 32, 1, std::string(99, '-'), kWhite, 0));
  show_pass(3, 0, 200, Leaning::one);
  EXPECT_TRUE(shows_text(frame(), 32, 1, " > Desviacion hacia el UNO = 100 %", kWhite, 0));
  EXPECT_TRUE(shows_text(frame(), 33, 1, std::string(99, '-'), kWhite, 0));
  Picture expected = startUp;
  expected.set(1, 30, 0x4444FF);
  expected.set(1, 31, kWhite);
  expected.set(1, 32, 0xFF4444);
  expected.copy_rows(picture(), 16 * 16, 33 * 16 - 1);
  EXPECT_TRUE(same_picture(picture(), expected));
}

// A checkpoint's dot: a diamond for a quarter, a plus for five minutes, one
// pixel from the centre line for each hundredth of the period's expected
// count of a value (halves to even), clipped to the graph area; each
// five-minute dot moves the next ones 5 pixels on.
TEST_F(DisplayTest, CheckpointDotsTellPeriodLeaningAndDeviation) {
  const struct {
    ClosedCheckpoint checkpoint;
    int x, y, radius;
    Colour colour;
  } dots[] = {{{Period::quarter, Leaning::zero, 90225, 89775}, 5, 116, 2, 0x8888DD},
              {{Period::five_minute, Leaning::one, 21450, 38550}, 5, 58, 1, 0xDD4444},
              {{Period::quarter, Leaning::one, 89775, 90225}, 10, 114, 2, 0xDD8888},
              {{Period::five_minute, Leaning::zero, 33000, 27000}, 10, 135, 1, 0x4444DD},
              {{Period::quarter, Leaning::zero, 180000, 0}, 15, 315, 2, 0x8888DD},
              {{Period::five_minute, Leaning::balance, 30000, 30000}, 15, 115, 1, kWhite}};
  for (const auto& dot : dots) {
    const Picture before = picture();
    Picture expected = before;
    paint_dot(expected, dot.x + 1, dot.y + 30, dot.radius, dot.colour);
    for (int y = 0; y < Picture::kHeight; ++y) {
      for (int x = 0; x < Picture::kWidth; ++x) {
        if (x < 1 || x > 721 || y < 30 || y > 202) expected.copy_pixel(before, x, y);
      }
    }
    display_.checkpoint_closed(dot.checkpoint);
    EXPECT_TRUE(same_picture(picture(), expected)) << dot.x << "," << dot.y;
  }
}

}  // namespace
}  // namespace novabit::testing
