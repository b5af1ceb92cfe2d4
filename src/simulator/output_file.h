#pragma once
// A file the simulator writes its records to: its own file, or a stream it
// borrows (standard output), which it flushes but does not close. The first
// failure is kept and every later write is dropped; a reader that closed
// the pipe is told apart from a failure. One thread only.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/failure.h"
#include "base/file_handles.h"

namespace novabit {

class OutputFile {
 public:
  // Creates or empties `path`; on failure the reason is in failure().
  explicit OutputFile(const std::filesystem::path& path);
  OutputFile(std::FILE* borrowed, std::string name);
  ~OutputFile() { static_cast<void>(close()); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void write(std::string_view bytes);
  // Pushes the buffer out and closes an owned file; the first failure, if any.
  Outcome close();

  bool failed() const { return failure_.has_value(); }
  // True when the reader of a pipe went away: nothing more can be delivered.
  bool reader_gone() const { return readerGone_; }
  // The first failure, naming the file.
  const std::optional<Failure>& failure() const { return failure_; }

 private:
  void fail(int error);

  std::string name_;
  StdioFile owned_;
  std::FILE* stream_ = nullptr;
  bool readerGone_ = false;
  std::optional<Failure> failure_;
};

}  // namespace novabit
