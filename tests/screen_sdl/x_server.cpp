#include "x_server.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace novabit::testing_x {

std::optional<std::string> program_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    const std::string candidate = (std::filesystem::path(folder) / name).string();
    if (access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return std::nullopt;
}

XvfbServer::XvfbServer(int width, int height) {
  const std::optional<std::string> program = program_path("Xvfb");
  int pipeEnds[2];
  if (!program || pipe2(pipeEnds, O_CLOEXEC) != 0) {
    return;
  }
  // Xvfb picks a free display number itself and writes it to descriptor 3.
  constexpr int kDisplayNumberFd = 3;
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  const std::string fd = std::to_string(kDisplayNumberFd);
  std::array<const char*, 10> arguments = {"Xvfb",          "-displayfd", fd.c_str(), "-screen",
                                           "0",             screen.c_str(), "-nolisten", "tcp",
                                           "-noreset",      nullptr};
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    // The server ends with the test even when the test dies without its destructors.
    if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent) {
      _exit(127);
    }
    const int nothing = open("/dev/null", O_WRONLY);
    dup2(nothing, STDOUT_FILENO);
    dup2(nothing, STDERR_FILENO);
    dup2(pipeEnds[1], kDisplayNumberFd);
    execv(program->c_str(), const_cast<char* const*>(arguments.data()));
    _exit(127);
  }
  close(pipeEnds[1]);
  if (pid_ < 0) {
    close(pipeEnds[0]);
    return;
  }
  std::string number;
  pollfd readable{pipeEnds[0], POLLIN, 0};
  char digit = 0;
  while (poll(&readable, 1, 10000) == 1 && read(pipeEnds[0], &digit, 1) == 1 && digit != '\n') {
    number += digit;
  }
  close(pipeEnds[0]);
  if (!number.empty()) {
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1);
  }
}

XvfbServer::~XvfbServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
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

namespace {

std::uint32_t big_endian_word(const std::string& data, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value = value << 8 | static_cast<unsigned char>(data[offset + i]);
  }
  return value;
}

}  // namespace

std::optional<RootImage> read_root_image() {
  const std::optional<std::string> dump = command_output("xwd -root -silent");
  constexpr std::size_t kHeaderWords = 25;
  if (!dump || dump->size() < 4 * kHeaderWords) {
    return std::nullopt;
  }
  const auto header = [&](std::size_t word) { return big_endian_word(*dump, 4 * word); };
  const std::uint32_t headerSize = header(0);
  const std::uint32_t width = header(4);
  const std::uint32_t height = header(5);
  const std::uint32_t byteOrder = header(7);  // of the pixels: 0 = least significant first
  const std::uint32_t bytesPerLine = header(12);
  const std::uint32_t colourCount = header(19);
  const std::size_t start = headerSize + 12 * static_cast<std::size_t>(colourCount);
  // Packed 24-bit pixels when the server has a 24-bit pixmap format, else 32-bit ones.
  const std::uint32_t bytesPerPixel = header(11) / 8;
  if ((bytesPerPixel != 3 && bytesPerPixel != 4) ||
      dump->size() < start + static_cast<std::size_t>(bytesPerLine) * height) {
    return std::nullopt;
  }
  RootImage image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels.reserve(static_cast<std::size_t>(width) * height);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::size_t offset =
          start + static_cast<std::size_t>(y) * bytesPerLine + bytesPerPixel * x;
      std::uint32_t value = 0;
      for (std::uint32_t i = 0; i < bytesPerPixel; ++i) {
        const std::uint32_t byte = static_cast<unsigned char>((*dump)[offset + i]);
        value = byteOrder == 0 ? value | byte << (8 * i) : value << 8 | byte;
      }
      image.pixels.push_back(value & 0xFFFFFF);
    }
  }
  return image;
}

}  // namespace novabit::testing_x
