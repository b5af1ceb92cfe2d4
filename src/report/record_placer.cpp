#include "report/record_placer.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "experiment/experiment_numbers.h"
#include "report/log_time.h"

namespace novabit::report {

namespace {

constexpr std::int64_t kStampRounding = 2;
// Records read ahead to reckon a run's start when nothing else gives it.
constexpr std::size_t kStartRecords = 8;
// More than the monitor's write buffer holds, which a crash may leave
// written twice.
constexpr std::size_t kRecentRecords = 128;
// Records read ahead to find the quarter record after a jump of the stamps
// and the five-minute record its own pass writes.
constexpr std::size_t kSettleRecords = 6;
// Records read ahead to find the next cycle record: a cycle's, twice over.
constexpr std::size_t kCycleRecords = 2 * (kPassesPerCycle / kFiveMinutePasses + kPassesPerCycle / kQuarterPasses + 1);

std::int64_t period_of(RecordKind kind) { return kind == RecordKind::quarter ? kQuarterPasses : kFiveMinutePasses; }

const char* kind_text(RecordKind kind) {
  return kind == RecordKind::quarter ? "quarter" : kind == RecordKind::five_minute ? "five-minute" : "cycle";
}

bool near(std::int64_t seconds, std::int64_t target) { return std::abs(seconds - target) <= kStampTolerance; }

std::string clock_step_text(std::int64_t seconds) {
  if (near(std::abs(seconds), kClockChange)) return seconds > 0 ? "forward one hour" : "back one hour";
  return "by " + std::string(seconds > 0 ? "+" : "") + std::to_string(seconds) + " s";
}

std::string pause_text(std::int64_t seconds) {
  return "the passes paused for " + std::to_string(seconds) + " s before this record";
}

}  // namespace

std::int64_t cycle_of_pass(std::int64_t pass) { return (pass - 1) / kPassesPerCycle + 1; }
std::int64_t cycle_minute_of_pass(std::int64_t pass) { return (pass - 1) % kPassesPerCycle / kPassesPerMinute; }

PlaceInRun place_of(RecordKind kind, std::int64_t pass) {
  return {pass, kind == RecordKind::quarter ? 0 : kind == RecordKind::five_minute ? 1 : 2};
}

RecordPlacer::RecordPlacer(StudyLogReader& reader, FileNotes& notes, std::optional<std::int64_t> start,
                           const PassClock* clock)
    : reader_(reader), notes_(notes), start_(start), clock_(clock) {}

Outcome RecordPlacer::fill(std::size_t records) {
  while (ahead_.size() < records && !readerDone_) {
    const Next<LogRecord> record = reader_.next();
    if (!record) return record.failure();
    if (*record) {
      if (!duplicate(**record)) ahead_.push_back(**record);
    } else {
      readerDone_ = true;
    }
  }
  return {};
}

bool RecordPlacer::duplicate(const LogRecord& record) {
  const std::int64_t key = record.stamp * 4 + static_cast<std::int64_t>(record.kind);
  const auto [known, added] = recent_.try_emplace(key, record);
  if (!added) {
    const LogRecord& first = known->second;
    const bool same =
        first.counted == record.counted && first.ones == record.ones && first.cyclesCompleted == record.cyclesCompleted;
    if (same) {
      notes_.add(record.line, true, [&] {
        return "the same " + std::string(kind_text(record.kind)) + " record as line " + std::to_string(first.line) +
               " again: counted once";
      });
    }
    return same;
  }
  recentOrder_.push_back(key);
  if (recentOrder_.size() > kRecentRecords) {
    recent_.erase(recentOrder_.front());
    recentOrder_.pop_front();
  }
  return false;
}

Outcome RecordPlacer::reckon_start() {
  if (Outcome filled = fill(kStartRecords); !filled) return filled;
  // The first five-minute or quarter record whose time the next one bears
  // out is taken as the first of its kind; a quarter after it then settles
  // which five minutes of its quarter hour the run began in.
  const LogRecord* first = nullptr;
  const LogRecord* quarter = nullptr;
  for (std::size_t i = 0; i < ahead_.size(); ++i) {
    const LogRecord& record = ahead_[i];
    if (record.kind == RecordKind::cycle) continue;
    if (first == nullptr) {
      const LogRecord* following = nullptr;
      for (std::size_t j = i + 1; j < ahead_.size() && following == nullptr; ++j) {
        if (ahead_[j].kind != RecordKind::cycle) following = &ahead_[j];
      }
      const bool borneOut = following == nullptr || (following->stamp >= record.stamp - kStampTolerance &&
                                                     following->stamp <= record.stamp + kClockChange + kQuarterPasses);
      if (borneOut) first = &record;
    } else if (record.kind == RecordKind::quarter && quarter == nullptr) {
      quarter = &record;
    }
  }
  if (first == nullptr) return {};
  std::int64_t start = first->stamp - period_of(first->kind) + 1;
  for (std::int64_t earlier = 0; first->kind == RecordKind::five_minute && quarter != nullptr && earlier < 3;
       ++earlier) {
    const std::int64_t candidate = start - earlier * kFiveMinutePasses;
    const std::int64_t phase = (quarter->stamp - candidate + 1) % kQuarterPasses;
    if (phase <= kStampTolerance || phase >= kQuarterPasses - kStampTolerance) {
      start = candidate;
      break;
    }
  }
  start_ = start;
  return {};
}

std::int64_t RecordPlacer::stamp_pass(const LogRecord& record, std::int64_t offset) const {
  if (record.kind == RecordKind::cycle) return record.cyclesCompleted * kPassesPerCycle;
  const std::int64_t period = period_of(record.kind);
  const std::int64_t elapsed = record.stamp - time_of(0, offset);
  const std::int64_t periods = elapsed >= 0 ? (elapsed + period / 2) / period : 0;
  return std::max<std::int64_t>(periods, 1) * period;
}

std::int64_t RecordPlacer::next_pass(RecordKind kind, const PlaceInRun& after) {
  if (kind == RecordKind::cycle) return (after.pass / kPassesPerCycle + 1) * kPassesPerCycle;
  const std::int64_t period = period_of(kind);
  const std::int64_t pass = (after.pass / period + 1) * period;
  const std::int64_t same = after.pass / period * period;
  return same > 0 && place_of(kind, same) > after ? same : pass;
}

bool RecordPlacer::fits_after(const LogRecord& record, const PlaceInRun& after, std::int64_t offset) const {
  if (record.kind == RecordKind::cycle) {
    const std::int64_t pass = stamp_pass(record, offset);
    return place_of(RecordKind::cycle, pass) > after && pass <= after.pass + kFiveMinutePasses;
  }
  return near(record.stamp, time_of(next_pass(record.kind, after), offset));
}

std::optional<std::int64_t> RecordPlacer::place_cycle_record(const LogRecord& record,
                                                             const LogRecord* following) const {
  // A cycle record's count is its time: it must lie after the records before
  // it and before the next one, within a cycle of them.
  const std::int64_t pass = record.cyclesCompleted * kPassesPerCycle;
  const bool fits = record.cyclesCompleted >= 1 && place_of(RecordKind::cycle, pass) > last_ &&
                    pass <= last_.pass + kPassesPerCycle &&
                    (following == nullptr || !start_ ||
                     place_of(following->kind, stamp_pass(*following, offset_)) > place_of(RecordKind::cycle, pass));
  if (fits) return pass;
  if (record.counted) {
    notes_.add(record.line, false, [&] {
      return "left out: cycle record " + std::to_string(record.cyclesCompleted) +
             " does not fit between the records around it";
    });
  }
  return std::nullopt;
}

std::optional<std::int64_t> RecordPlacer::place_checkpoint(const LogRecord& record, const LogRecord* following) {
  const std::int64_t expected = next_pass(record.kind, last_);
  const std::int64_t step = record.stamp - time_of(expected, offset_);
  if (near(step, 0)) {
    offset_ += step;
    return expected;
  }
  const bool confirmed =
      following == nullptr || fits_after(*following, place_of(record.kind, expected), offset_ + step);
  // The passes only ever fall behind the clock (a stopped process, a
  // suspended machine), so a lost record leaves a step of a whole period or
  // more: a record later than its pass by less, as the next one bears out,
  // is that pass's after a pause. A second or two is the stamps' rounding.
  if (step > kStampTolerance && step < kFiveMinutePasses - kStampRounding && confirmed) {
    notes_.add(record.line, false, [&] { return pause_text(step); });
    offset_ += step;
    return expected;
  }
  // Daylight saving moves the stamps by an hour on the day the zone changes
  // its clocks, and only then; going forward, only where no record can have
  // been lost in between, since twelve lost five-minute records look the same.
  const std::int64_t zoneChange = zone_change_near(record.stamp);
  const bool daylightSaving = near(std::abs(step), kClockChange) && zoneChange == (step > 0 ? 1 : -1) * kClockChange;
  const bool clockChange =
      (near(step, -kClockChange) || (daylightSaving && !record.afterSkip && previousPlaced_)) && confirmed;
  // The clocks went back an hour where lines were lost with records in them:
  // the record fits a later pass an hour back, as the next one bears out.
  // (Going forward, lost records would look the same, and are not assumed.)
  if (record.afterSkip && step > -kClockChange && step <= -kClockChange / 2) {
    const std::int64_t back = offset_ - kClockChange;
    const std::int64_t later = stamp_pass(record, back);
    const std::int64_t drift = record.stamp - time_of(later, back);
    if (place_of(record.kind, later) > last_ && near(drift, 0) &&
        (following == nullptr || fits_after(*following, place_of(record.kind, later), back + drift))) {
      notes_.add(record.line, false, [&] {
        return "the local clock moved back one hour before this record" +
               std::string(zoneChange == -kClockChange ? " (daylight saving)" : "");
      });
      offset_ = back + drift;
      return later;
    }
  }
  const std::int64_t pass = stamp_pass(record, offset_);
  const std::int64_t residual = record.stamp - time_of(pass, offset_);
  const bool inOrder = place_of(record.kind, pass) > last_;
  // The last record of a log has no next one to bear out a time far ahead.
  const bool beforeNext = following == nullptr ? pass <= last_.pass + kPassesPerCycle
                                               : place_of(following->kind, stamp_pass(*following, offset_ + residual)) >
                                                     place_of(record.kind, pass);
  const bool whole = inOrder && near(residual, 0) && beforeNext;
  // Records lost as well as a pause: the next record fits after this one
  // with one, two or three records lost, each reading as good as the others.
  bool followsSomeReading = confirmed;
  for (std::int64_t lost = 1; lost < 3 && step - lost * period_of(record.kind) >= -kStampTolerance; ++lost) {
    const std::int64_t moved = lost * period_of(record.kind);
    followsSomeReading =
        followsSomeReading || (following != nullptr &&
                               fits_after(*following, place_of(record.kind, expected + moved), offset_ + step - moved));
  }
  if (!clockChange && step > kStampTolerance && (whole || (following != nullptr && followsSomeReading))) {
    return place_after_jump(record, expected, step, zoneChange == kClockChange);
  }
  if (!clockChange && whole) {
    offset_ += residual;
    return pass;
  }
  if (clockChange || (following != nullptr && confirmed)) {
    notes_.add(record.line, false, [&] {
      return "the local clock moved " + clock_step_text(step) + " before this record" +
             (daylightSaving ? " (daylight saving)" : "");
    });
    offset_ += step;
    return expected;
  }
  ++(record.kind == RecordKind::quarter ? leftOutQuarters_ : leftOutFiveMinutes_);
  if (record.counted) {
    notes_.add(record.line, false, [&] {
      const std::string what = "left out: its time " + stamp_text(record.stamp);
      if (!inOrder) return what + " comes before that of the record at line " + std::to_string(lastLine_);
      if (!beforeNext && following == nullptr) return what + " lies far after the record before it";
      if (!beforeNext) return what + " comes after that of the next record, at line " + std::to_string(following->line);
      return what + " is " + std::to_string(std::abs(residual)) + " s from the end of pass " + std::to_string(pass);
    });
  }
  return std::nullopt;
}

std::int64_t RecordPlacer::place_after_jump(const LogRecord& record, std::int64_t expected, std::int64_t step,
                                            bool springForward) {
  const std::int64_t period = period_of(record.kind);
  const GapReading settled = settle_gap(record, expected, step);
  const std::int64_t pause = step - settled.lost * period;
  const std::string by = settled.by ? ", as the " + std::string(kind_text(*settled.by)) + " record at line " +
                                          std::to_string(settled.line) + " bears out"
                                    : "";
  if (settled.by) ++settledJumps_;
  const std::string lost = settled.lost > 0 ? " besides the records lost" : "";
  if (settled.by && springForward && near(pause, kClockChange)) {
    notes_.add(record.line, false, [&] {
      return "the local clock moved forward one hour before this record (daylight saving)" + lost + by;
    });
  } else if (settled.by && near(pause, 0)) {
    // The lost records are noted as missing.
  } else if (settled.by) {
    notes_.add(record.line, false, [&] { return pause_text(pause) + lost + by; });
  } else if (springForward && step > kClockChange - kStampTolerance) {
    notes_.add(record.line, false, [] {
      return std::string(
          "an hour of records is missing before this record, or the clocks went forward an hour "
          "where lines were lost: nothing in the log tells which (the raw record would); counted "
          "as missing");
    });
  } else {
    notes_.add(record.line, false, [&] {
      return "the stamps jump " + std::to_string(step) + " s before this record (" + stamp_text(record.stamp) +
             "): records were lost, or the passes paused for " + std::to_string(step) + " s" +
             (near(pause, 0) ? "" : ", or both") +
             "; nothing in the log tells which (the raw record would): counted as " +
             (near(pause, 0) ? "lost"
                             : std::to_string(settled.lost) + " lost and a pause of " + std::to_string(pause) + " s");
    });
  }
  offset_ += pause;
  return expected + settled.lost * period;
}

RecordPlacer::GapReading RecordPlacer::settle_gap(const LogRecord& record, std::int64_t expected, std::int64_t step) {
  // Reading n: n records of the kind lost and the passes paused for the rest.
  const std::int64_t period = period_of(record.kind);
  const std::int64_t most = (step + kStampTolerance) / period;
  if (Outcome filled = fill(kSettleRecords); !filled) readFailure_ = filled.failure();
  const LogRecord* quarter = record.kind == RecordKind::quarter ? &record : nullptr;
  for (std::size_t i = 0; i < ahead_.size() && quarter == nullptr; ++i) {
    if (ahead_[i].kind == RecordKind::quarter) quarter = &ahead_[i];
  }
  // The next quarter's time fits the readings of one count of lost records
  // in three; the quarter whose five-minute records span a pause adds up to
  // them only if none was lost.
  std::array<bool, 3> fits{true, true, true};
  bool pauseAlone = true;
  if (quarter != nullptr) {
    for (std::int64_t n = 0; n < 3 && n <= most; ++n) {
      const std::int64_t offset = offset_ + step - n * period;
      fits[n] = near(quarter->stamp, time_of(stamp_pass(*quarter, offset), offset));
    }
    const std::optional<bool> addsUp =
        fits[0] ? adds_up_after_pause(record, *quarter, expected, offset_ + step) : std::nullopt;
    if (addsUp == true) return {0, RecordKind::quarter, quarter->line};
    pauseAlone = fits[0] && addsUp != false;
  }
  const auto possible = [&](std::int64_t n) { return n >= 0 && n <= most && fits[n % 3] && (n > 0 || pauseAlone); };
  std::int64_t readings = 0;
  std::int64_t only = 0;
  for (std::int64_t remainder = 0; remainder < 3; ++remainder) {
    const std::int64_t least = remainder == 0 && !pauseAlone ? 3 : remainder;
    if (!fits[remainder] || least > most) continue;
    readings += (most - least) / 3 + 1;
    only = least;
  }
  if (readings == 1 && quarter != nullptr) return {only, RecordKind::quarter, quarter->line};
  std::size_t line = 0;
  const std::optional<std::int64_t> byCycle = lost_by_cycle_record(record, step, line);
  if (byCycle && possible(*byCycle)) return {*byCycle, RecordKind::cycle, line};
  return {most, std::nullopt, 0};
}

std::optional<std::int64_t> RecordPlacer::lost_by_cycle_record(const LogRecord& record, std::int64_t step,
                                                               std::size_t& line) {
  if (Outcome filled = fill(kCycleRecords); !filled) readFailure_ = filled.failure();
  const LogRecord* fiveMinute = record.kind == RecordKind::five_minute ? &record : nullptr;
  for (const LogRecord& next : ahead_) {
    if (next.kind == RecordKind::five_minute) fiveMinute = &next;
    if (next.kind != RecordKind::cycle || !next.counted) continue;
    if (fiveMinute == nullptr) return std::nullopt;
    // The last five-minute record of the cycle, written just before it;
    // each record lost before it moves it a period further on.
    const std::int64_t pass = next.cyclesCompleted * kPassesPerCycle / kFiveMinutePasses * kFiveMinutePasses;
    const std::int64_t moved = pass - stamp_pass(*fiveMinute, offset_ + step);
    line = next.line;
    if (moved % period_of(record.kind) != 0) return std::nullopt;
    return moved / period_of(record.kind);
  }
  return std::nullopt;
}

std::optional<bool> RecordPlacer::adds_up_after_pause(const LogRecord& first, const LogRecord& quarter,
                                                      std::int64_t expected, std::int64_t offset) const {
  // After a pause the five-minute records follow on from the last one
  // placed, the first of them at the pass `first` would have taken.
  std::vector<const LogRecord*> after;
  if (first.kind == RecordKind::five_minute) after.push_back(&first);
  for (std::size_t i = 0; i < ahead_.size() && after.size() < 3; ++i) {
    if (ahead_[i].kind == RecordKind::five_minute) after.push_back(&ahead_[i]);
  }
  const std::int64_t pass = stamp_pass(quarter, offset);
  if (!quarter.counted || pass - 2 * kFiveMinutePasses >= expected) return std::nullopt;
  std::int64_t ones = 0;
  for (std::int64_t p = pass - 2 * kFiveMinutePasses; p <= pass; p += kFiveMinutePasses) {
    if (p >= expected) {
      const auto index = static_cast<std::size_t>((p - expected) / kFiveMinutePasses);
      if (index >= after.size() || !after[index]->counted) return std::nullopt;
      ones += after[index]->ones;
    } else {
      const auto placed = std::find_if(placedFiveMinutes_.begin(), placedFiveMinutes_.end(),
                                       [&](const auto& record) { return record && record->pass == p; });
      if (placed == placedFiveMinutes_.end() || !(*placed)->counted) return std::nullopt;
      ones += (*placed)->ones;
    }
  }
  return ones == quarter.ones;
}

std::string RecordPlacer::placed_by() const {
  const auto counted = [](std::int64_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
  };
  if (byClock_ > 0) {
    return "placed by its raw record's pass times" +
           (byStamps_ > 0 ? ", " + counted(byStamps_, "record") + " by their stamps" : std::string());
  }
  return "placed by its stamps" +
         (settledJumps_ > 0 ? ", " + counted(settledJumps_, "jump") + " in them settled by the log's arithmetic"
                            : std::string());
}

void RecordPlacer::note_missing(const LogRecord& record, std::int64_t pass) {
  const bool quarter = record.kind == RecordKind::quarter;
  std::int64_t& last = quarter ? lastQuarter_ : lastFiveMinute_;
  std::int64_t& leftOut = quarter ? leftOutQuarters_ : leftOutFiveMinutes_;
  const std::int64_t period = period_of(record.kind);
  const std::int64_t gap = (pass - last) / period - 1;
  const std::int64_t missing = gap - leftOut;
  if (gap > 0) leftOut = 0;
  if (missing > 0) {
    const std::int64_t from = last + period;
    notes_.add(record.line, false, [&] {
      return std::to_string(missing) + " " + kind_text(record.kind) + " record" + (missing == 1 ? "" : "s") +
             " missing before this one (" + (gap == 1 ? "pass " : "of passes ") + std::to_string(from) +
             (gap == 1 ? "" : " to " + std::to_string(pass - period)) + ")";
    });
  }
  last = pass;
}

Next<Checkpoint> RecordPlacer::next() {
  for (;;) {
    if (readFailure_) return *readFailure_;
    if (!start_) {
      if (Outcome reckoned = reckon_start(); !reckoned) return reckoned.failure();
    }
    if (Outcome filled = fill(2); !filled) return filled.failure();
    if (ahead_.empty()) return std::nullopt;
    const LogRecord record = ahead_.front();
    ahead_.pop_front();
    const LogRecord* following = ahead_.empty() ? nullptr : &ahead_.front();
    std::optional<std::int64_t> pass;
    if (record.kind == RecordKind::cycle) {
      pass = record.counted ? place_cycle_record(record, following) : std::nullopt;
    } else if (start_) {
      pass = clock_ != nullptr ? clock_->pass_of(record.kind, record.stamp, last_) : std::nullopt;
      if (pass) {
        offset_ = record.stamp - time_of(*pass, 0);
        ++byClock_;
      } else {
        pass = place_checkpoint(record, following);
        byStamps_ += pass.has_value();
      }
    } else if (record.counted) {
      notes_.add(record.line, false, [] { return std::string("left out: its time fits no other record's"); });
    }
    previousPlaced_ = pass.has_value();
    if (!pass) continue;
    if (record.kind != RecordKind::cycle) note_missing(record, *pass);
    last_ = place_of(record.kind, *pass);
    lastLine_ = record.line;
    const Checkpoint placed{record.kind, record.line, record.stamp, *pass, record.counted, record.ones};
    if (record.kind == RecordKind::five_minute) placedFiveMinutes_ = {placedFiveMinutes_[1], placed};
    return placed;
  }
}

}  // namespace novabit::report
