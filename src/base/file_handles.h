#pragma once
// Owners of the system's file handles: each closes what it holds when it goes,
// and can be moved but not copied. Not thread-safe: one owner at a time.

#include <cstdio>
#include <memory>
#include <string>

#include "base/failure.h"

namespace novabit {

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
  ~FileDescriptor() { reset(); }
  FileDescriptor(FileDescriptor&& other) noexcept : descriptor_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    reset(other.release());
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return descriptor_; }
  bool valid() const { return descriptor_ >= 0; }
  int release() {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor;
  }
  // Closes what it holds, ignoring the result, and takes `descriptor`.
  void reset(int descriptor = -1);
  // Closes now: a close can report a failed write. `what` names the file.
  Outcome close(const std::string& what);

 private:
  int descriptor_ = -1;
};

struct StdioCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using StdioFile = std::unique_ptr<std::FILE, StdioCloser>;

// Closes a stdio stream now, with its buffer: `what` names the file.
Outcome close_stdio(StdioFile& file, const std::string& what);

}  // namespace novabit
