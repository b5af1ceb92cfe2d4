#pragma once
// The platform side of a physical source: a stream of bytes, read by the
// source's own thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "base/failure.h"

namespace novabit {

class ByteReader {
 public:
  virtual ~ByteReader() = default;
  // Waits until bytes arrive, the stream ends or interrupt() is called, then
  // reads at most bytes.size() of them: their count, 0 when interrupted. A
  // stream that delivers no more fails and says why ("end of file", "read
  // failed: ...").
  virtual Result<std::size_t> read(std::span<std::uint8_t> bytes) = 0;
  // Safe from any thread: the read under way and every later one return at once.
  virtual void interrupt() = 0;
};

// A character device, FIFO or regular file, read without blocking its
// opening; a terminal (a USB generator's serial device) is put in raw mode.
// Fails with the system's reason.
Result<std::unique_ptr<ByteReader>> open_device_reader(const std::string& path);

// The kernel's random bytes (getrandom).
std::unique_ptr<ByteReader> make_kernel_reader();

}  // namespace novabit
