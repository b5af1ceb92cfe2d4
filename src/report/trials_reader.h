#pragma once
// Reads the raw per-second record (the trials file) as a stream, in bounded
// memory: its "# name=value" lines and column header, then one second at a
// time. A line that is no row is noted and skipped; a row whose pass does not
// follow the one before, or whose UTC time contradicts its pass, is noted and
// left out, so that the seconds come in the order of their passes. A clock
// that was not synchronised to within half a second as the run began is noted.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "report/file_notes.h"
#include "report/line_source.h"
#include "report/trial_second.h"

namespace novabit::report {

struct TrialsHead {
  std::string program;
  std::string source;
  std::string keyCommitment;  // the SHA-256 of the seal's key line, when given
  std::string station;        // the station's name, when given
  std::string clock;          // the system clock's state as the run began, when given
};

// The last dates a reader of rows met: the rows of one day read their date once.
struct RowDates {
  struct Day {
    std::array<char, 10> text{};
    std::int64_t midnight = 0;  // local seconds
    bool known = false;
  };
  Day utc, local;
};

// One row of seconds, or nothing when the line is none.
std::optional<TrialSecond> parse_trials_row(std::string_view line, RowDates& dates);

class TrialsReader {
 public:
  TrialsReader(LineSource& lines, FileNotes& notes) : lines_(lines), notes_(notes) {}

  // The lines before the first row.
  Result<TrialsHead> head();
  // Before the first second: reads only what the seconds from `from` on and
  // before `to` need (UTC seconds since 1970). It starts an hour of rows
  // before `from`, found by bisecting the rows, which come in time order, so
  // that it knows the passes and the clock at `from`, and ends at the first
  // row at `to`. It notes the head and the lines from the first row at
  // `from` to the first at `to`: ranges side by side find those rows alike,
  // so that each line is noted once. After a bisection the seconds' lines
  // count from where reading began.
  Outcome read_range(std::optional<std::int64_t> from, std::optional<std::int64_t> to);
  // The next second in pass order; nothing at the end of the lines.
  Next<TrialSecond> next();
  // How often each health test fired in the seconds given so far.
  const std::map<std::string, std::int64_t>& alarms() const { return alarms_; }

 private:
  struct Row {
    TrialSecond second;
    std::string alarms;
  };
  Outcome read_head();
  // Reads ahead until two rows wait, or the lines end.
  Outcome fill();
  std::int64_t expected_utc(std::int64_t pass, std::int64_t offset) const { return *utcStart_ + pass - 1 + offset; }
  bool accept(const Row& row, const Row* following);
  // A note on a line the range notes.
  template <typename Message>
  void note(std::size_t line, bool skipped, Message&& message);

  LineSource& lines_;
  FileNotes& notes_;
  TrialsHead head_;
  bool headRead_ = false;
  bool linesDone_ = false;
  // The rows read ahead: a row's time is confirmed by the next one's.
  std::array<Row, 2> ahead_;
  std::size_t waiting_ = 0;
  std::optional<std::int64_t> utcStart_;  // the UTC time of pass 1
  std::int64_t offset_ = 0;               // drift of the clock
  std::int64_t lastPass_ = 0;
  // Rows left out since the last gap in the passes: they explain the next one.
  std::int64_t leftOut_ = 0;
  std::map<std::string, std::int64_t> alarms_;
  RowDates dates_;
  // The rows where the range's notes start and end (byte offsets), and the
  // numbers of their lines once read.
  std::uint64_t notesFrom_ = 0;
  std::optional<std::uint64_t> notesTo_;
  std::optional<std::size_t> fromLine_;
  std::optional<std::size_t> toLine_;
};

// A raw record read from its file, the whole reading in bounded memory.
class TrialsStream final : public SecondStream {
 public:
  // A failure names the file.
  static Result<std::unique_ptr<TrialsStream>> open(const std::string& path, FileNotes& notes);
  TrialsStream(LineSource lines, FileNotes& notes) : lines_(std::move(lines)), reader_(lines_, notes) {}
  TrialsStream(const TrialsStream&) = delete;
  TrialsStream& operator=(const TrialsStream&) = delete;

  Next<TrialSecond> next() override { return reader_.next(); }
  TrialsReader& reader() { return reader_; }

 private:
  LineSource lines_;
  TrialsReader reader_;
};

}  // namespace novabit::report
