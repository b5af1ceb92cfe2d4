#pragma once
// The lines of a file, or of bytes in memory, one at a time and in bounded
// memory, whatever the file holds: LF ends a line and a CR before it is
// dropped, a UTF-8 byte-order mark before the first line is dropped, and a
// line longer than kMaxLineBytes is cut there and the rest of it skipped. A
// file whose first kRecordlessBytes give its reader no record ends there, so
// that no input, /dev/zero included, is read without end.

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
// Far beyond the few bytes before the first record of any file of ours.
inline constexpr std::uint64_t kRecordlessBytes = std::uint64_t{64} << 20;

struct SourceLine {
  std::string_view text;     // valid until the next call
  std::size_t number = 0;    // from 1
  bool torn = false;         // the last line, without its line end
  bool overlong = false;     // cut at kMaxLineBytes
  std::uint64_t offset = 0;  // of its first byte in the file
};

class LineSource {
 public:
  // Bytes that outlive the source.
  explicit LineSource(std::string_view bytes);
  // A failure names the file.
  static Result<LineSource> open(const std::string& path);

  Next<SourceLine> next();
  // The reader found a record: the file is read to its end.
  void record_found() { recordFound_ = true; }
  // Ended after kRecordlessBytes without a record.
  bool abandoned() const { return abandoned_; }

  // The file's length in bytes.
  Result<std::uint64_t> size() const;
  // Up to `count` bytes from `offset`, fewer at the end, read beside the
  // lines without moving them.
  Result<std::string> read_at(std::uint64_t offset, std::size_t count) const;
  // Where the next line starts.
  std::uint64_t position() const { return file_.valid() ? read_ - (end_ - begin_) : begin_; }
  // Reads on from `offset`, where a line starts, a reader having found a
  // record before it. The lines are numbered from there on, 1 the first.
  void seek(std::uint64_t offset);
  // The number in the whole file of line `number`. The lines before a seek
  // are counted at the first call only, so that a reading that notes nothing
  // never reads them; a failure to read them comes out of the next next().
  std::size_t in_file(std::size_t number);

 private:
  LineSource(std::string name, FileDescriptor file);
  const char* data() const { return file_.valid() ? buffer_.data() : memory_.data(); }
  // Reads more of the file behind what is left; false at its end.
  bool fill();
  bool skip_rest_of_line();
  // Whether the bytes read so far without a record are too many.
  bool give_up();

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
  std::uint64_t read_ = 0;  // bytes read from the file
  bool recordFound_ = false;
  bool abandoned_ = false;
  std::uint64_t seekedTo_ = 0;
  std::optional<std::size_t> linesBefore_ = 0;  // the seek's, once counted
  // A read that failed; every later next() gives it again.
  std::optional<Failure> failure_;
};

}  // namespace novabit::report
