#pragma once
// A private Xvfb server for tests, and the X tools the tests drive it with.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace novabit::testing_x {

std::optional<std::string> program_path(const std::string& name);

// Starts Xvfb on a free display number and points DISPLAY at it; stops it when destroyed.
class XvfbServer {
 public:
  XvfbServer(int width, int height);
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool running() const { return !display_.empty(); }
  const std::string& display() const { return display_; }
  // Ends the server at once, as a crash of the X server would.
  void kill_now();
  // Stops the server, as a hung one: it answers nothing more.
  void stop();

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Opens a connection of its own, ends the server and uses the connection, so that Xlib
// meets the break inside a call, as the window's connection would if the server died
// during one. Xlib's lost-connection handler serves every connection of the process.
void meet_break_inside_xlib(XvfbServer& server);

// Runs a shell command; its standard output, or none when it fails.
std::optional<std::string> command_output(const std::string& command);

// The root window's pixels as 0xRRGGBB, row by row, read with xwd and
// ImageMagick; none unless the root is width x height.
struct RootImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
std::optional<RootImage> read_root_image(int width = 800, int height = 600);

}  // namespace novabit::testing_x
