#pragma once
// What a reader found wrong with its input, line by line, for the summary.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace novabit::report {

struct LineNote {
  std::size_t line = 0;  // 1-based
  std::string message;
  bool skipped = false;  // the line itself was left out
};

// The lines of a text file: LF ends a line, and a CR before it is dropped.
// `torn` is set when the last line has no line end.
class LineSplitter {
 public:
  explicit LineSplitter(std::string_view text) : text_(text) {}

  // The next line, or false at the end.
  bool next(std::string_view& line, bool& torn);
  std::size_t number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t number_ = 0;
};

}  // namespace novabit::report
