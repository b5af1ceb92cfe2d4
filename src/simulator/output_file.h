#pragma once
// A file the simulator writes its records to: its own file, or a stream it
// borrows (standard output), which it flushes but does not close. The first
// failure is kept and every later write is dropped; a reader that closed
// the pipe is told apart from a failure. One thread only.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/failure.h"
#include "base/file_handles.h"

namespace novabit {

class OutputFile {
 public:
  // Creates or empties `path`; a failure names it.
  static Result<std::unique_ptr<OutputFile>> create(const std::filesystem::path& path);
  OutputFile(std::FILE* borrowed, std::string name);
  ~OutputFile() { static_cast<void>(close()); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void write(std::string_view bytes);
  // Pushes the buffer out and closes an owned file; the first failure, if
  // any, naming the file.
  Outcome close();

  // True once a write failed: close() says why.
  bool failed() const { return failure_.has_value(); }
  // True when the reader of a pipe went away: nothing more can be delivered.
  bool reader_gone() const { return readerGone_; }

 private:
  OutputFile(std::string name, StdioFile owned);
  void fail(int error);

  std::string name_;
  StdioFile owned_;
  std::FILE* stream_ = nullptr;
  bool readerGone_ = false;
  std::optional<Failure> failure_;
};

}  // namespace novabit
