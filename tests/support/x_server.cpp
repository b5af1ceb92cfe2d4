#include "support/x_server.h"

#include <X11/Xlib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

extern char** environ;

namespace novabit::testing_x {

std::optional<std::string> program_path(const std::string& name) {
  const auto found = command_output("command -v " + name);
  if (!found || found->empty()) return std::nullopt;
  return found->substr(0, found->find('\n'));
}

// Xvfb picks a free display number itself and writes it to descriptor 3, here
// a file; it ends with the test even when the test dies without its destructors.
XvfbServer::XvfbServer(int width, int height) {
  char pattern[] = "/tmp/novabit-xvfb-XXXXXX";
  const int numberFile = mkstemp(pattern);
  if (numberFile < 0) return;
  const std::string script = "exec setpriv --pdeathsig TERM Xvfb -displayfd 3 -screen 0 " + std::to_string(width) + "x" +
                             std::to_string(height) + "x24 -nolisten tcp -noreset 3>" + pattern + " >/dev/null 2>&1";
  const char* const arguments[] = {"sh", "-c", script.c_str(), nullptr};
  if (posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(arguments), environ) != 0) pid_ = -1;
  std::string number;
  for (int wait = 0; pid_ > 0 && wait < 1000 && !number.ends_with('\n'); ++wait) {
    usleep(10000);
    number.resize(64);
    number.resize(static_cast<std::size_t>(std::max<ssize_t>(pread(numberFile, number.data(), number.size(), 0), 0)));
  }
  close(numberFile);
  unlink(pattern);
  if (number.ends_with('\n')) {
    display_ = ":" + number.substr(0, number.size() - 1);
    setenv("DISPLAY", display_.c_str(), 1);
  }
}

XvfbServer::~XvfbServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    kill(pid_, SIGCONT);
    waitpid(pid_, nullptr, 0);
  }
}

void XvfbServer::stop() {
  if (pid_ > 0) kill(pid_, SIGSTOP);
}

void XvfbServer::kill_now() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

void meet_break_inside_xlib(XvfbServer& server) {
  Display* connection = XOpenDisplay(nullptr);
  if (connection == nullptr) {
    return;
  }
  server.kill_now();
  XSync(connection, False);
}

std::optional<std::string> command_output(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return std::nullopt;
  }
  std::string output;
  std::array<char, 65536> buffer;
  std::size_t count = 0;
  while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
    output.append(buffer.data(), count);
  }
  if (pclose(pipe) != 0) {
    return std::nullopt;
  }
  return output;
}

std::optional<RootImage> read_root_image(int width, int height) {
  const std::optional<std::string> rgb = command_output("xwd -root -silent | convert xwd:- -depth 8 rgb:-");
  if (!rgb || rgb->size() != static_cast<std::size_t>(width) * height * 3) return std::nullopt;
  RootImage image{width, height, {}};
  for (std::size_t at = 0; at < rgb->size(); at += 3) {
    const auto byte = [&](std::size_t offset) { return std::uint32_t{static_cast<unsigned char>((*rgb)[at + offset])}; };
    image.pixels.push_back(byte(0) << 16 | byte(1) << 8 | byte(2));
  }
  return image;
}

}  // namespace novabit::testing_x
