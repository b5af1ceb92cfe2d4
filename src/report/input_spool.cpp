#include "report/input_spool.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include "base/file_handles.h"
#include "report/line_source.h"

namespace novabit::report {

namespace {

constexpr int kSilenceNoticeMilliseconds = 10'000;
constexpr std::size_t kCopyBytes = 1 << 16;
// The copy goes a little beyond the readers' limit, so that they reach it.
constexpr std::uint64_t kFirstCopyBytes = kRecordlessBytes + 4 * kCopyBytes;

Outcome write_all(int to, const char* bytes, std::size_t length, const std::string& what) {
  while (length > 0) {
    const ssize_t wrote = ::write(to, bytes, length);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0) return system_failure(what);
    bytes += wrote;
    length -= static_cast<std::size_t>(wrote);
  }
  return {};
}

}  // namespace

InputSpool::~InputSpool() {
  if (!folder_) return;
  std::error_code ignored;
  std::filesystem::remove_all(*folder_, ignored);
}

Outcome InputSpool::copy(int from, const std::string& name, int to, std::uint64_t limit, bool& ended) {
  std::string buffer(kCopyBytes, '\0');
  bool told = false;
  for (std::uint64_t copied = 0; copied < limit;) {
    pollfd ready{from, POLLIN, 0};
    const int polled = ::poll(&ready, 1, kSilenceNoticeMilliseconds);
    if (polled < 0 && errno != EINTR) return system_failure(name);
    if (polled == 0 && terminal_ != nullptr && !std::exchange(told, true)) {
      std::fprintf(terminal_, "novabit-report: %s: nothing has arrived for 10 s; still waiting for it\n", name.c_str());
      std::fflush(terminal_);
    }
    if (polled <= 0) continue;
    const ssize_t got = ::read(from, buffer.data(), buffer.size());
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got < 0) return system_failure(name);
    if (got == 0) {
      ended = true;
      return {};
    }
    if (Outcome written = write_all(to, buffer.data(), static_cast<std::size_t>(got), name); !written) return written;
    copied += static_cast<std::uint64_t>(got);
  }
  return {};
}

Result<std::string> InputSpool::path_of(const std::string& name, const HoldsRecord& holdsRecord) {
  FileDescriptor opened;
  int from = STDIN_FILENO;
  if (name != "-") {
    struct stat status {};
    if (::stat(name.c_str(), &status) != 0) return system_failure(name);
    if (S_ISREG(status.st_mode) || S_ISDIR(status.st_mode)) return name;
    // Without O_NONBLOCK a FIFO would hold the open until a writer comes.
    opened.reset(::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!opened.valid()) return system_failure(name);
    from = opened.get();
  }
  if (!folder_) {
    std::string folder = (std::filesystem::temp_directory_path() / "novabit-report-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) return system_failure(name + ": no scratch folder for a copy");
    folder_ = folder;
  }
  const std::string path = (*folder_ / std::to_string(++copies_)).string();
  FileDescriptor copy(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!copy.valid()) return system_failure(name + ": its copy " + path);
  bool ended = false;
  if (Outcome copied = this->copy(from, name, copy.get(), kFirstCopyBytes, ended); !copied) return copied.failure();
  if (!ended && holdsRecord(path)) {
    if (Outcome copied = this->copy(from, name, copy.get(), UINT64_MAX, ended); !copied) return copied.failure();
  }
  if (Outcome closed = copy.close(name + ": its copy " + path); !closed) return closed.failure();
  return path;
}

}  // namespace novabit::report
