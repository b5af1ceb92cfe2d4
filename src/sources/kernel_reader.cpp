#include <sys/random.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "sources/byte_reader.h"

namespace novabit {

namespace {

class KernelReader final : public ByteReader {
 public:
  Result<std::size_t> read(std::span<std::uint8_t> bytes) override {
    while (!interrupted_) {
      const ssize_t got = getrandom(bytes.data(), bytes.size(), 0);
      if (got > 0) return static_cast<std::size_t>(got);
      if (got < 0 && errno != EINTR) return system_failure("getrandom failed");
    }
    return 0;
  }

  // getrandom never waits once the kernel's pool is ready, so a flag suffices.
  void interrupt() override { interrupted_ = true; }

 private:
  std::atomic<bool> interrupted_{false};
};

}  // namespace

std::unique_ptr<ByteReader> make_kernel_reader() { return std::make_unique<KernelReader>(); }

}  // namespace novabit
