// The display thread at work beside the program's thread; also run under
// ThreadSanitizer by scripts/test.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/memory/memory_back_end.h"
#include "screen/screen_lock.h"
#include "textio/channels.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;

// Generous, since the machine may be busy; a passing test returns far sooner.
bool eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!condition() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  return condition();
}

WindowEvent character(std::uint32_t codePoint) {
  WindowEvent event;
  event.codePoint = codePoint;
  return event;
}

class DisplayThreadTest : public ::testing::Test {
 protected:
  void open() { EXPECT_TRUE(screen.set_screen_mode(19, 16, 4, 1, 0)); }

  ChannelTable channels{nullptr, nullptr};
  EndSteps endSteps;
  MemoryBackEnd backEnd;
  GraphScreen screen{channels, endSteps, {backEnd}, GraphScreenOptions{true, "novabit"}};
};

TEST_F(DisplayThreadTest, OpensTheBackEndOnItsOwnThreadAndCopiesChangedRowsToIt) {
  std::atomic<bool> openedElsewhere = false;
  const auto testThread = std::this_thread::get_id();
  backEnd.set_acceptance([&](const DisplayRequest&) {
    openedElsewhere = std::this_thread::get_id() != testThread;
    return true;
  });
  open();
  ASSERT_TRUE(screen.is_open());
  EXPECT_TRUE(openedElsewhere);
  screen.draw_line(0, 300, 799, 300, 0xFF4444);
  screen.write_screen_text("Hola");
  EXPECT_TRUE(eventually([&] { return backEnd.shown_pixel(799, 300) == 0xFA28; }));
  EXPECT_TRUE(eventually([&] {
    const auto guard = screen.hold();
    return backEnd.picture() == std::vector<std::uint16_t>(screen.screen_memory(), screen.screen_memory() + 800 * 600);
  }));
}

// The display thread stuck inside a display call, as inside Xlib when the X
// server dies, must not hold the ScreenLock: the program goes on drawing and
// polling keys, so that it can see the loss and end its run in order.
TEST_F(DisplayThreadTest, AStuckDisplayCallHoldsNothingUp) {
  open();
  backEnd.stall(true);
  screen.set_pixel(1, 1, 0xFFFFFF);
  std::this_thread::sleep_for(50ms);  // the display thread is inside show_rows now
  auto program = std::async(std::launch::async, [&] {
    screen.draw_line(0, 0, 799, 599, 0xFFFFFF);
    return screen.read_key();
  });
  const bool prompt = program.wait_for(2s) == std::future_status::ready;
  backEnd.stall(false);
  EXPECT_TRUE(prompt);
}

// Held, the screen lock is taken again by the drawing inside and makes the
// display thread wait.
TEST_F(DisplayThreadTest, DrawingHeldTogetherIsShownTogether) {
  open();
  {
    const auto guard = screen.hold();
    screen.set_pixel(1, 1, 0xFFFFFF);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(backEnd.shown_pixel(1, 1), 0);
    screen.set_pixel(2, 599, 0xFFFFFF);
  }
  EXPECT_TRUE(eventually([&] { return backEnd.shown_pixel(2, 599) == 0xFFFF; }));
  EXPECT_EQ(backEnd.shown_pixel(1, 1), 0xFFFF);
}

TEST_F(DisplayThreadTest, KeyBufferKeysPostedWhileReadingArriveInOrder) {
  open();
  std::thread typist([&] {
    for (const char c : std::string("abcdefghij")) {
      backEnd.push_event(character(static_cast<std::uint32_t>(c)));
      std::this_thread::sleep_for(2ms);
    }
  });
  std::string typed;
  const bool all = eventually([&] {
    typed += screen.read_key();
    return typed.size() >= 10;
  });
  typist.join();
  EXPECT_TRUE(all);
  EXPECT_EQ(typed, "abcdefghij");
}

}  // namespace
}  // namespace novabit
