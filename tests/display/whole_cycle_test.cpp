// A whole 12-hour cycle through the real driver on a virtual clock, with the
// monitor drawn on the memory screen: the graph just before and just after
// the CycleEnd, the panel and the study log.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "display/expected_frame.h"
#include "display/picture.h"
#include "display/screen_display.h"
#include "experiment/experiment_driver.h"
#include "experiment/test_doubles.h"
#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/memory/memory_back_end.h"
#include "textio/bit_source.h"
#include "textio/channels.h"
#include "textio/formatting.h"
#include "textio/printer.h"

namespace novabit::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::int64_t kCyclePasses = 720 * 60 + 1;

struct Point {
  int minute, second;
  Colour colour;
};
struct Dot {
  int x, y, radius;
  Colour colour;
};

// Shows everything on the screen and keeps what the graph and panels must show.
class WatchedDisplay final : public MonitorDisplay {
 public:
  WatchedDisplay(ScreenDisplay& screen, const WallClock& wallClock) : screen_(screen), wallClock_(wallClock) {}

  std::vector<PassCounts> passes;
  std::vector<std::variant<Point, Dot>> graph;  // in drawing order, since the last frame
  std::string lastDeviationLine;
  CyclePanel lastPanel;
  std::string redrawDate;

  void draw_frame(const RunStart& start) override { screen_.draw_frame(start); }
  void draw_side_panel(std::int32_t cycles) override { screen_.draw_side_panel(cycles); }
  void print_bit(std::int32_t bit) override { screen_.print_bit(bit); }
  void print_status_line(std::int32_t secondsElapsed, std::int32_t zeros, std::int32_t ones) override {
    passes.push_back({zeros, ones});
    screen_.print_status_line(secondsElapsed, zeros, ones);
  }
  void print_deviation_line(std::int32_t zeros, std::int32_t ones, std::int32_t deviation) override {
    lastDeviationLine =
        zeros == ones ? " > CEROS = UNOS"
                      : std::string(zeros > ones ? " > Desviacion hacia el CERO =" : " > Desviacion hacia el UNO =") +
                            integer_text(deviation) + " %";
    screen_.print_deviation_line(zeros, ones, deviation);
  }
  void plot_second_point(std::int32_t minute, std::int32_t second, std::uint32_t colour) override {
    graph.emplace_back(Point{minute, second, colour});
    screen_.plot_second_point(minute, second, colour);
  }
  void draw_checkpoint_dot(std::int32_t x, std::int32_t y, std::int32_t radius, std::uint32_t colour) override {
    graph.emplace_back(Dot{x, y, radius, colour});
    screen_.draw_checkpoint_dot(x, y, radius, colour);
  }
  void redraw_cycle_display(const CyclePanel& panel, const RunStart& start) override {
    lastPanel = panel;
    redrawDate = date_text(wallClock_.now());
    graph.clear();
    screen_.redraw_cycle_display(panel, start);
  }
  void print_separator() override { screen_.print_separator(); }

 private:
  ScreenDisplay& screen_;
  const WallClock& wallClock_;
};

Colour leaning_colour(const PassCounts& counts) {
  if (counts.zeros == counts.ones) return 0xFFFFFF;
  return counts.zeros > counts.ones ? 0x4444FF : 0xFF4444;
}

std::string average_text(std::optional<double> value) { return picture_number_text(parse_picture("##.##"), value); }

class WholeCycleTest : public ::testing::Test {
 protected:
  WholeCycleTest() {
    channels_.set_durable_writes(false);
    screen_.set_screen_mode(19, 16, 4, 1, 0);
  }

  // The graph area as the recorded points and dots paint it over the frame.
  Picture expected_graph(Picture picture) const {
    for (const auto& event : watched_.graph) {
      if (const auto* point = std::get_if<Point>(&event)) {
        picture.set(point->minute + 1, point->second + 30, point->colour);
      } else {
        const Dot& dot = std::get<Dot>(event);
        Picture painted = picture;
        paint_dot(painted, dot.x + 1, dot.y + 30, dot.radius, dot.colour);
        for (int y = 30; y <= 202; ++y) {
          for (int x = 1; x <= 721; ++x) picture.copy_pixel(painted, x, y);
        }
      }
    }
    return picture;
  }

  // Everything but the text panel, which the picture takes from the screen.
  Picture expected_screen(std::string_view currentDate, std::string_view cycles, std::string_view one,
                          std::string_view zero) const {
    Picture picture = expected_frame(start_, currentDate);
    paint_side_panel(picture, cycles, one, zero);
    picture.copy_rows(Picture(*screen_.frame()), 16 * 16, 33 * 16 - 1);
    return expected_graph(picture);
  }

  const FrameBuffer& frame() const { return *screen_.frame(); }

  WorkingDirectory directory_;
  SteppingClock clock_{1000.25L, 0.25L};
  // Clock second 1000, the first pass's, is 22:10:00 on 5 December 2026.
  VirtualWallClock wallClock_{clock_, std::chrono::sys_days{2026y / 12 / 5} + 22h + 10min - 1000s};
  ChannelTable channels_{nullptr, nullptr};
  EndSteps endSteps_;
  MemoryBackEnd backEnd_;
  GraphScreen screen_{channels_, endSteps_, {backEnd_}, GraphScreenOptions{false, "novabit"}};
  Printer printer_{channels_};
  ScreenDisplay display_{screen_, printer_, wallClock_};
  WatchedDisplay watched_{display_, wallClock_};
  ScriptedKeys keys_;
  BitSource bits_;
  GivenKey sealer_{testing::kTestKey};
  ExperimentDriver driver_{{watched_, printer_, bits_, clock_, wallClock_, keys_, sealer_}};
  RunStart start_{"12-05-2026", "22:10:00"};
};

TEST_F(WholeCycleTest, GraphFillsUpAndTheCycleEndStartsItAfresh) {
  ASSERT_EQ(driver_.start(), StartResult::ready);
  ASSERT_EQ(driver_.state().startTime, start_.time);
  ASSERT_EQ(driver_.run(kCyclePasses - 1), RunEnd::pass_limit);

  // Just before the CycleEnd: 720 full minutes of points, 144 five-minute and 48 quarter dots.
  ASSERT_EQ(watched_.passes.size(), static_cast<std::size_t>(kCyclePasses - 1));
  for (std::size_t pass = 0; pass < watched_.passes.size(); ++pass) {
    const int x = static_cast<int>(pass / 60) + 1;
    const int y = static_cast<int>(pass % 60) + 30;
    ASSERT_EQ(frame().pixel(x, y), pixel_from_colour(leaning_colour(watched_.passes[pass]))) << "pass " << pass + 1;
  }
  const auto dots = std::count_if(watched_.graph.begin(), watched_.graph.end(),
                                  [](const auto& event) { return std::holds_alternative<Dot>(event); });
  EXPECT_EQ(dots, 144 + 48);
  EXPECT_TRUE(same_picture(Picture(frame()), expected_screen(start_.date, " 0", "", "")));
  EXPECT_EQ(row_text(frame(), 32),
            watched_.lastDeviationLine + std::string(100 - watched_.lastDeviationLine.size(), ' '));
  EXPECT_TRUE(shows_text(frame(), 33, 1, std::string(99, '-'), 0xFFFFFF, 0));

  // The pass of minute 720 plots its point at (721, 30), then the CycleEnd erases it.
  ASSERT_EQ(driver_.run(1), RunEnd::pass_limit);
  EXPECT_EQ(watched_.lastPanel.cyclesCompleted, 1);
  EXPECT_EQ(watched_.redrawDate, "12-06-2026");
  EXPECT_TRUE(watched_.graph.empty());
  EXPECT_TRUE(same_picture(Picture(frame()),
                           expected_screen(watched_.redrawDate, " 1", average_text(watched_.lastPanel.globalOneAverage),
                                           average_text(watched_.lastPanel.globalZeroAverage))));
  EXPECT_TRUE(shows_text(frame(), 17, 1, std::string(99, '-'), 0x00FF00, 0));

  // The new cycle starts again at the left edge.
  ASSERT_EQ(driver_.run(3), RunEnd::pass_limit);
  for (int second = 0; second < 3; ++second) {
    EXPECT_EQ(frame().pixel(1, 30 + second), pixel_from_colour(leaning_colour(watched_.passes[kCyclePasses + second])));
  }
  EXPECT_TRUE(same_picture(Picture(frame()),
                           expected_screen(watched_.redrawDate, " 1", average_text(watched_.lastPanel.globalOneAverage),
                                           average_text(watched_.lastPanel.globalZeroAverage))));

  channels_.close_all_channels();
  const std::string log = file_bytes(directory_.path() / "estudio_12-05-2026");
  EXPECT_TRUE(log.ends_with("12-06-2026ciclos de 12 horas completados:  1\r\n")) << log.substr(log.size() - 200);
  std::size_t quarters = 0;
  for (auto at = log.find(">>>>>"); at != std::string::npos; at = log.find(">>>>>", at + 1)) ++quarters;
  EXPECT_EQ(quarters, 48U);
}

}  // namespace
}  // namespace novabit::testing
