// The real novabit on a private 800 x 600 X server: the picture it shows
// after its first passes, its title, the keys it swallows, the space that
// ends it, and the study log it leaves.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "display/expected_frame.h"
#include "display/monitor_texts.h"
#include "screen/colour.h"
#include "app/close_request.h"
#include "screen_sdl/x_server.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing_x::command_output;
using testing_x::request_close;

// The monitor running in its own temporary working directory.
class LiveMonitor {
 public:
  LiveMonitor() : directory_(std::filesystem::temp_directory_path() / ("novabit-live-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(directory_);
    pid_ = fork();
    if (pid_ == 0) {
      if (chdir(directory_.c_str()) != 0) _exit(127);
      execl(NOVABIT_EXECUTABLE, "novabit", static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~LiveMonitor() {
    if (pid_ > 0 && !exitStatus_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    std::filesystem::remove_all(directory_);
  }

  bool running() {
    if (exitStatus_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return false;
    }
    return true;
  }
  // The exit status once it ended within `limit`.
  std::optional<int> wait_for_exit(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (running() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(20ms);
    return exitStatus_;
  }
  const std::filesystem::path& directory() const { return directory_; }

 private:
  std::filesystem::path directory_;
  pid_t pid_ = -1;
  std::optional<int> exitStatus_;
};

std::string window_id() {
  const auto found = command_output("xdotool search --sync --name '^NOVABIT' | head -n 1");
  return found ? found->substr(0, found->find('\n')) : std::string();
}

std::string today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[11];
  std::strftime(text, sizeof text, "%m-%d-%Y", &local);
  return text;
}

TEST(LiveMonitor, ShowsTheFrameSwallowsOtherKeysAndEndsOnSpace) {
  if (!testing_x::program_path("Xvfb") || !testing_x::program_path("xdotool")) {
    GTEST_SKIP() << "Xvfb and xdotool are needed";
  }
  testing_x::XvfbServer server(800, 600);
  ASSERT_TRUE(server.running());
  LiveMonitor monitor;
  const std::string window = window_id();
  ASSERT_FALSE(window.empty());
  std::this_thread::sleep_for(2500ms);  // a few passes
  ASSERT_TRUE(monitor.running());

  // Everything the layout fixes at start-up, outside the date line (its
  // start time is the run's own), the text panel (the passes' bits) and the
  // first minute's column of the seconds band (their points).
  const auto shown = testing_x::read_root_image();
  ASSERT_TRUE(shown);
  ASSERT_EQ(shown->width, 800);
  ASSERT_EQ(shown->height, 600);
  testing::Picture expected = testing::expected_frame({today(), "00:00:00"}, today());
  testing::paint_side_panel(expected, " 0", "", "");
  int compared = 0;
  int differing = 0;
  for (int y = 0; y < 600; ++y) {
    const bool dateLine = y >= 224 && y < 240;
    const bool textPanel = y >= 256 && y < 528;
    if (dateLine || textPanel) continue;
    for (int x = 0; x < 800; ++x) {
      const bool firstMinute = x == 1 && y >= 30 && y < 90;
      if (firstMinute) continue;
      ++compared;
      if (shown->at(x, y) != rgb_from_pixel(expected.at(x, y))) ++differing;
    }
  }
  EXPECT_EQ(differing, 0) << "of " << compared << " fixed pixels";

  const auto title = command_output("xdotool getwindowname " + window);
  ASSERT_TRUE(title);
  EXPECT_EQ(*title, std::string(kWindowTitle) + "\n");
  EXPECT_EQ(kWindowTitle.size(), 101U);

  ASSERT_TRUE(command_output("xdotool key --window " + window + " Escape alt+F4"));
  ASSERT_TRUE(request_close(std::stoul(window)));
  std::this_thread::sleep_for(1500ms);
  EXPECT_TRUE(monitor.running()) << "Escape, Alt+F4 and the close button must be swallowed";
  EXPECT_FALSE(window_id().empty()) << "the window stays";

  ASSERT_TRUE(command_output("xdotool key --window " + window + " space"));
  EXPECT_EQ(monitor.wait_for_exit(5s), 0);
  EXPECT_TRUE(std::filesystem::is_regular_file(monitor.directory() / ("estudio_" + today())));
}

}  // namespace
}  // namespace novabit
