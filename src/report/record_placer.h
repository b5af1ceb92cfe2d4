#pragma once
// Places each record of a study log at the pass that wrote it by its own time
// stamp, never by its position in the file, so that a damaged, torn or
// missing record leaves only its own place empty. The k-th five-minute record
// ends pass 300 k, the j-th quarter pass 900 j (written just before the
// five-minute record of its pass), the c-th cycle record pass 43201 c; pass p
// ends about start + p - 1 seconds on the local clock.
//
// A real clock is allowed for: a late pass delays every later stamp by a few
// seconds (followed as a drift), a pause of the passes (a stopped process, a
// suspended machine) delays every later stamp and never advances one, and a
// daylight-saving change moves the local clock by an hour either way. A
// record whose time contradicts its place (out of order, or far from every
// pass of its kind) is noted and left out; a step of the clock that the next
// record confirms is noted and followed. A record the same as one read
// shortly before it (a line pasted twice, a buffer written twice across a
// crash) is noted once and moves nothing.

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>

#include "report/file_notes.h"
#include "report/pass_clock.h"
#include "report/study_log_reader.h"

namespace novabit::report {

// How far a stamp may lie from its pass's time before it counts as a step of
// the clock: far more than late passes lose, far less than a period.
inline constexpr std::int64_t kStampTolerance = 60;
// A daylight-saving change of the local clock, in seconds.
inline constexpr std::int64_t kClockChange = 3600;

// The 12-hour cycle of a pass, numbered from 1, and the minute of the cycle
// it falls in, 0 to 720.
std::int64_t cycle_of_pass(std::int64_t pass);
std::int64_t cycle_minute_of_pass(std::int64_t pass);

struct Checkpoint {
  RecordKind kind = RecordKind::five_minute;
  std::size_t line = 0;
  std::int64_t stamp = 0;  // as written, in local seconds
  std::int64_t pass = 0;   // the pass that wrote it: the last of its period
  bool counted = false;    // false: damaged, its place taken but its figures unknown
  std::int32_t ones = 0;
};

// Records of one pass come in this order: quarter, five-minute, cycle.
struct PlaceInRun {
  std::int64_t pass = 0;
  int order = -1;
  auto operator<=>(const PlaceInRun&) const = default;
};
PlaceInRun place_of(RecordKind kind, std::int64_t pass);

class RecordPlacer {
 public:
  // `start`: the local time of pass 1 when a seal or the raw record gives
  // it; otherwise it is reckoned from the first records. `clock`, the run's
  // raw record, places every record it knows the pass of.
  RecordPlacer(StudyLogReader& reader, FileNotes& notes, std::optional<std::int64_t> start,
               const PassClock* clock = nullptr);

  // The next record placed, in the order of the passes; nothing at the end.
  Next<Checkpoint> next();
  std::optional<std::int64_t> start() const { return start_; }
  // What placed the records, as the summary says it: "placed by its stamps", ...
  std::string placed_by() const;

 private:
  // Reads ahead until `records` records wait, or the log ends.
  Outcome fill(std::size_t records);
  // Whether `record` is the same as one read shortly before; noted when it is.
  bool duplicate(const LogRecord& record);
  Outcome reckon_start();
  std::int64_t time_of(std::int64_t pass, std::int64_t offset) const { return *start_ + pass - 1 + offset; }
  // The pass of a record's kind that its stamp points at, with `offset`.
  std::int64_t stamp_pass(const LogRecord& record, std::int64_t offset) const;
  // The first place of the record's kind after `after`.
  static std::int64_t next_pass(RecordKind kind, const PlaceInRun& after);
  // Whether `record` fits straight after a record placed at `after` with the clock at `offset`.
  bool fits_after(const LogRecord& record, const PlaceInRun& after, std::int64_t offset) const;
  std::optional<std::int64_t> place_cycle_record(const LogRecord& record, const LogRecord* following) const;
  std::optional<std::int64_t> place_checkpoint(const LogRecord& record, const LogRecord* following);
  void note_missing(const LogRecord& record, std::int64_t pass);
  // A jump of the stamps before `record` longer than a pause alone is
  // taken for: records lost, the passes paused, or both. The first quarter
  // record after it fits only the readings of one count of lost records in
  // three; when its five-minute records span the jump, they add up to it
  // only if none was lost. Failing that, the next cycle record settles it:
  // its count gives the pass of the five-minute record written with it.
  // Unsettled, the most records that can have been lost are counted as lost.
  struct GapReading {
    std::int64_t lost = 0;         // records of the kind
    std::optional<RecordKind> by;  // the kind of the record that settled it; nothing: unsettled
    std::size_t line = 0;
  };
  std::int64_t place_after_jump(const LogRecord& record, std::int64_t expected, std::int64_t step, bool springForward);
  GapReading settle_gap(const LogRecord& record, std::int64_t expected, std::int64_t step);
  // The records lost before `record` by the next cycle record, whose line it gives.
  std::optional<std::int64_t> lost_by_cycle_record(const LogRecord& record, std::int64_t step, std::size_t& line);
  // Whether `quarter` equals its five-minute records as a pause of the
  // passes before `first`, which would have been placed at `expected`, leaves
  // them; nothing when they do not span the pause or are not all at hand.
  std::optional<bool> adds_up_after_pause(const LogRecord& first, const LogRecord& quarter, std::int64_t expected,
                                          std::int64_t offset) const;

  StudyLogReader& reader_;
  FileNotes& notes_;
  std::optional<std::int64_t> start_;
  const PassClock* clock_;
  std::deque<LogRecord> ahead_;
  // The latest records read, by kind and stamp, for duplicate().
  std::unordered_map<std::int64_t, LogRecord> recent_;
  std::deque<std::int64_t> recentOrder_;
  bool readerDone_ = false;
  std::int64_t offset_ = 0;  // of the local clock: drift and daylight saving
  PlaceInRun last_;
  std::size_t lastLine_ = 0;
  bool previousPlaced_ = true;
  std::int64_t lastFiveMinute_ = 0;
  std::int64_t lastQuarter_ = 0;
  // The last two five-minute records placed, earlier first.
  std::array<std::optional<Checkpoint>, 2> placedFiveMinutes_;
  // A failure to read ahead while settling a jump, given at the next record.
  std::optional<Failure> readFailure_;
  // Records left out since the last gap of their kind: they explain the
  // next one (two swapped records leave one of them out, and its place empty).
  std::int64_t leftOutFiveMinutes_ = 0;
  std::int64_t leftOutQuarters_ = 0;
  // What placed the records: the raw record, the stamps, the jumps the log's arithmetic settled.
  std::int64_t byClock_ = 0;
  std::int64_t byStamps_ = 0;
  std::int64_t settledJumps_ = 0;
};

}  // namespace novabit::report
