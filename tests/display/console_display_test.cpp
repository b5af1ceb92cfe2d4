// The console monitor's text, byte for byte as it reaches the console.

#include "display/console_display.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "textio/channels.h"
#include "textio/printer.h"

namespace novabit {
namespace {

class FixedWallClock final : public WallClock {
 public:
  LocalTime now() const override { return {2026, 12, 5, 22, 10, 0}; }
};

// A console that is a named file, so that what reached it can be read back
// without flushing its stream.
class ConsoleDisplayTest : public ::testing::Test {
 protected:
  ~ConsoleDisplayTest() override {
    std::fclose(console_);
    std::remove(path_.c_str());
  }

  std::string shown() {
    std::fflush(console_);
    return on_disk();
  }
  std::string on_disk() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string path_ = ::testing::TempDir() + "console-XXXXXX";
  std::FILE* console_ = fdopen(mkstemp(path_.data()), "wb");
  ChannelTable channels_{console_, nullptr};
  Printer printer_{channels_};
  FixedWallClock wallClock_;
  ConsoleDisplay display_{printer_, wallClock_};
};

TEST_F(ConsoleDisplayTest, StatusLineFollowsTheBitsAndTakesItsZones) {
  display_.print_bit(1);
  display_.print_bit(0);
  display_.print_status_line(1, 104, 96);
  EXPECT_EQ(shown(), " 1 0 1> hora = 22:10:00     fecha = 12-05-2026\r\n CEROS = 104  UNOS = 96\r\n");
}

TEST_F(ConsoleDisplayTest, TwoWholePassesOnAnUnlimitedLine) {
  std::string bits;
  for (int pass = 1; pass <= 2; ++pass) {
    for (int i = 0; i < 200; ++i) display_.print_bit(i % 3 == 0 ? 1 : 0);
    display_.print_status_line(pass, 133, 67);
    display_.print_deviation_line(133, 67, 33);
    display_.print_separator();
  }
  for (int i = 0; i < 200; ++i) bits += i % 3 == 0 ? " 1" : " 0";
  const std::string separator(99, '-');
  const std::string rest = "fecha = 12-05-2026\r\n CEROS = 133  UNOS = 67\r\n > Desviacion hacia el CERO = 33 %\r\n";
  // After the separator the line is 99 columns longer, which moves the zone.
  EXPECT_EQ(shown(), bits + " 1> hora = 22:10:00 " + rest + separator + bits + " 2> hora = 22:10:00" +
                         std::string(14, ' ') + rest + separator);
}

TEST_F(ConsoleDisplayTest, DeviationLineHasOneFormPerLeaning) {
  const struct {
    std::int32_t zeros, ones, deviation;
    std::string text;
  } cases[] = {
      {108, 92, 8, " > Desviacion hacia el CERO = 8 %\r\n"},
      {0, 200, 100, " > Desviacion hacia el UNO = 100 %\r\n"},
      {100, 100, 0, " > CEROS = UNOS\r\n"},
  };
  std::string expected;
  for (const auto& c : cases) {
    display_.print_deviation_line(c.zeros, c.ones, c.deviation);
    expected += c.text;
  }
  EXPECT_EQ(shown(), expected);
}

TEST_F(ConsoleDisplayTest, SeparatorEndsThePassOnTheConsoleAtOnce) {
  display_.print_bit(0);
  display_.print_separator();
  EXPECT_EQ(on_disk(), " 0" + std::string(99, '-'));
}

TEST_F(ConsoleDisplayTest, GraphicsShowNothing) {
  display_.draw_frame({"12-05-2026", "22:10:00"});
  display_.draw_side_panel(0);
  display_.plot_second_point(3, 4, 0xFF4444);
  display_.draw_checkpoint_dot(5, 115, 2, 0xFFFFFF);
  display_.redraw_cycle_display({1, 12.5, std::nullopt}, {"12-05-2026", "22:10:00"});
  EXPECT_EQ(shown(), "");
}

}  // namespace
}  // namespace novabit
