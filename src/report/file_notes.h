#pragma once
// What the readers and checks found wrong in one file, line by line: the
// first kShownNotes problems in full, the rest only counted, so that a file
// of garbage costs no more than a page of the summary.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace novabit::report {

inline constexpr std::size_t kShownNotes = 20;

struct LineNote {
  std::size_t line = 0;  // from 1
  std::string message;
  bool skipped = false;  // the line itself was left out
};

// A whole file left out, and why.
struct FileNote {
  std::string file;
  std::string message;
};

class FileNotes {
 public:
  // `message()` gives the text, and is called only for a note that is shown.
  template <typename Message>
  void add(std::size_t line, bool skipped, Message&& message) {
    skippedLines_ += skipped ? 1 : 0;
    if (shown_.size() < kShownNotes) {
      shown_.push_back({line, message(), skipped});
    } else {
      ++unshown_;
    }
  }
  // A file that gave no record in its first bytes and was read no further.
  void add_abandoned() {
    add(0, false, [] { return std::string("left out: no valid record in its first 64 MB"); });
  }
  // A line left out that belongs to a problem already noted.
  void skip_quietly() { ++skippedLines_; }
  // The notes of an earlier reading, as it kept them.
  static FileNotes restored(std::vector<LineNote> shown, std::int64_t unshown, std::int64_t skippedLines) {
    FileNotes notes;
    notes.shown_ = std::move(shown);
    notes.unshown_ = unshown;
    notes.skippedLines_ = skippedLines;
    return notes;
  }

  // In the order found, which is nearly that of the lines.
  const std::vector<LineNote>& shown() const { return shown_; }
  std::int64_t unshown() const { return unshown_; }
  std::int64_t skipped_lines() const { return skippedLines_; }

 private:
  std::vector<LineNote> shown_;
  std::int64_t unshown_ = 0;
  std::int64_t skippedLines_ = 0;
};

}  // namespace novabit::report
