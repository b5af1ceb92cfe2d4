#pragma once
// The lines of a file, or of bytes in memory, one at a time and in bounded
// memory, whatever the file holds: LF ends a line and a CR before it is
// dropped, a UTF-8 byte-order mark before the first line is dropped, and a
// line longer than kMaxLineBytes is cut there and the rest of it skipped.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/failure.h"
#include "base/file_handles.h"

namespace novabit::report {

// The next item of a stream read from a file: nothing at its end, or why
// reading failed, naming the file.
template <typename T>
using Next = Result<std::optional<T>>;

// Far beyond any line of the study log or the raw record.
inline constexpr std::size_t kMaxLineBytes = 1024;

struct SourceLine {
  std::string_view text;   // valid until the next call
  std::size_t number = 0;  // from 1
  bool torn = false;       // the last line, without its line end
  bool overlong = false;   // cut at kMaxLineBytes
};

class LineSource {
 public:
  // Bytes that outlive the source.
  explicit LineSource(std::string_view bytes);
  // A failure names the file.
  static Result<LineSource> open(const std::string& path);

  Next<SourceLine> next();

 private:
  LineSource(std::string name, FileDescriptor file);
  const char* data() const { return file_.valid() ? buffer_.data() : memory_.data(); }
  // Reads more of the file behind what is left; false at its end.
  bool fill();
  bool skip_rest_of_line();

  std::string name_;
  FileDescriptor file_;
  std::string buffer_;
  std::string_view memory_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool atEnd_ = false;
  bool firstLine_ = true;
  bool skipping_ = false;  // the rest of a cut line
  std::size_t number_ = 0;
  // A read that failed; every later next() gives it again.
  std::optional<Failure> failure_;
};

}  // namespace novabit::report
