#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "base/file_handles.h"
#include "sources/byte_reader.h"

namespace novabit {

namespace {

// A device without poll support says it is readable and then has nothing:
// look again after this many milliseconds.
constexpr int kRetryMilliseconds = 10;

class DeviceReader final : public ByteReader {
 public:
  DeviceReader(FileDescriptor device, FileDescriptor wake) : device_(std::move(device)), wake_(std::move(wake)) {}

  Result<std::size_t> read(std::span<std::uint8_t> bytes) override {
    for (;;) {
      pollfd watched[2] = {{device_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
      if (poll(watched, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return failure("poll");
      }
      if (watched[1].revents != 0) return 0;
      const ssize_t got = ::read(device_.get(), bytes.data(), bytes.size());
      if (got > 0) return static_cast<std::size_t>(got);
      if (got == 0) return Failure{"end of file", 0};
      if (errno == EINTR) continue;
      if (errno != EAGAIN) return failure("read");
      pollfd wake = {wake_.get(), POLLIN, 0};
      if (poll(&wake, 1, kRetryMilliseconds) > 0) return 0;
    }
  }

  void interrupt() override {
    const std::uint64_t one = 1;
    // An eventfd write of 8 bytes cannot fall short; it only fails when the counter is full, still readable.
    [[maybe_unused]] const ssize_t written = write(wake_.get(), &one, sizeof one);
  }

 private:
  static Failure failure(const char* what) { return system_failure(std::string(what) + " failed"); }

  FileDescriptor device_;
  FileDescriptor wake_;
};

}  // namespace

Result<std::unique_ptr<ByteReader>> open_device_reader(const std::string& path) {
  // Without O_NONBLOCK the opening of a FIFO would wait for its writer.
  FileDescriptor device(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!device.valid()) return system_failure(path);
  struct stat status {};
  if (fstat(device.get(), &status) != 0) return system_failure(path);
  if (S_ISDIR(status.st_mode)) return Failure{path, EISDIR};
  if (isatty(device.get()) != 0) {
    // A serial device would otherwise change or hold back bytes: line editing,
    // end-of-line translation, control characters as signals.
    termios settings{};
    if (tcgetattr(device.get(), &settings) != 0) return system_failure(path + ": cannot read its terminal settings");
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    if (tcsetattr(device.get(), TCSANOW, &settings) != 0) return system_failure(path + ": cannot put it in raw mode");
  }
  FileDescriptor wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!wake.valid()) return system_failure("eventfd");
  return std::unique_ptr<ByteReader>(std::make_unique<DeviceReader>(std::move(device), std::move(wake)));
}

}  // namespace novabit
