#include "report/trials_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>

#include "clocks/kernel_clock.h"
#include "experiment/experiment_numbers.h"
#include "experiment/trials_format.h"
#include "replay/run_gaps.h"
#include "report/log_time.h"
#include "report/record_placer.h"

namespace novabit::report {

namespace {

// The comma-separated fields of a line; false unless there are exactly `N`.
template <std::size_t N>
bool split_fields(std::string_view line, std::array<std::string_view, N>& fields) {
  for (std::size_t i = 0; i < N; ++i) {
    const std::size_t comma = line.find(',');
    if ((comma == std::string_view::npos) != (i + 1 == N)) return false;
    fields[i] = line.substr(0, comma);
    line = comma == std::string_view::npos ? std::string_view{} : line.substr(comma + 1);
  }
  return true;
}

// What the readers of a row's numbers give for a field that is none: a plain
// number rather than an empty optional, which costs a row a stall as it
// goes back through memory.
constexpr std::int64_t kNoNumber = -1;
constexpr std::int64_t kNoStamp = std::numeric_limits<std::int64_t>::min();

std::int64_t whole_number(std::string_view text) {
  // Digits alone, too few to overflow, are most of what a reader meets.
  if (!text.empty() && text.size() <= 18) {
    std::int64_t value = 0;
    std::size_t at = 0;
    for (unsigned digit = 0; at < text.size() && (digit = static_cast<unsigned char>(text[at]) - '0') <= 9; ++at) {
      value = value * 10 + digit;
    }
    if (at == text.size()) return value;
  }
  std::int64_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc{} || result.ptr != text.data() + text.size() || value < 0) {
    return kNoNumber;
  }
  return value;
}

int two_digits(const char* text) {
  const unsigned tens = static_cast<unsigned char>(text[0]) - '0';
  const unsigned ones = static_cast<unsigned char>(text[1]) - '0';
  return tens <= 9 && ones <= 9 ? static_cast<int>(tens * 10 + ones) : -1;
}

// A stamp's date (its first 10 characters, in the file's own form) and time
// of day (8 after a separator, "05:32:20", a leap second shown as :60) in
// local seconds. The rows of a day share its date, so its midnight is
// reckoned once (`day`) and each row reads its time.
std::int64_t stamp_seconds(const char* stamp, RowDates::Day& day, bool utc) {
  const std::string_view date(stamp, day.text.size());
  const char* time = stamp + day.text.size() + 1;
  if (time[2] != ':' || time[5] != ':') return kNoStamp;
  const int hour = two_digits(time);
  const int minute = two_digits(time + 3);
  const int second = two_digits(time + 6);
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60) return kNoStamp;
  if (!day.known || std::memcmp(date.data(), day.text.data(), day.text.size()) != 0) {
    // "2026-12-07" read as "12-07-2026".
    const std::array<char, 10> local{date[5], date[6], '-', date[8], date[9], '-', date[0], date[1], date[2], date[3]};
    const std::optional<LocalTime> parsed = parse_date_text(utc ? std::string_view(local.data(), local.size()) : date);
    if (!parsed) return kNoStamp;
    std::copy(date.begin(), date.end(), day.text.begin());
    day.midnight = local_seconds(*parsed);
    day.known = true;
  }
  return day.midnight + hour * 3600 + minute * 60 + second;
}

// "12-07-2026 05:32:20"
std::int64_t local_stamp(std::string_view text, RowDates::Day& day) {
  if (text.size() != 19 || text[10] != ' ') return kNoStamp;
  return stamp_seconds(text.data(), day, false);
}

// "2026-12-07T05:32:20Z"
std::int64_t utc_stamp(std::string_view text, RowDates::Day& day) {
  if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[19] != 'Z') return kNoStamp;
  return stamp_seconds(text.data(), day, true);
}

// How far a probe of the rows reads.
constexpr std::size_t kProbeBytes = 1 << 16;
// How long before its range a reader starts, to learn the passes and the clock.
constexpr std::int64_t kLeadSeconds = 3600;

struct FoundRow {
  std::uint64_t offset = 0;
  std::int64_t utc = 0;
};

// The first row that starts at byte `from` or later, has a time of `utc` or
// later and is borne out by the next row (a later pass on the same clock), a
// damaged row being no landmark; nothing within `most` bytes. The last row
// of the file needs no next one.
Result<std::optional<FoundRow>> find_row(const LineSource& lines, std::uint64_t from, std::int64_t utc,
                                         std::uint64_t most) {
  RowDates dates;
  std::optional<FoundRow> found;
  TrialSecond candidate;
  std::uint64_t at = from - 1;  // a line starts after the line end before it
  bool partial = true;          // the bytes up to the first line end end an earlier line
  while (at - (from - 1) < most) {
    const Result<std::string> chunk = lines.read_at(at, kProbeBytes);
    if (!chunk) return chunk.failure();
    std::size_t start = 0;
    for (std::size_t end = 0; (end = chunk->find('\n', start)) != std::string::npos; start = end + 1) {
      if (std::exchange(partial, false)) continue;
      std::string_view line(chunk->data() + start, end - start);
      if (line.ends_with('\r')) line.remove_suffix(1);
      const std::optional<TrialSecond> row = parse_trials_row(line, dates);
      if (!row) continue;
      if (found && row->pass > candidate.pass &&
          std::abs((row->utc - row->pass) - (candidate.utc - candidate.pass)) <= kStampTolerance) {
        return found;
      }
      found.reset();
      if (row->utc >= utc) {
        found = FoundRow{at + start, row->utc};
        candidate = *row;
      }
    }
    if (chunk->size() < kProbeBytes) return found;
    partial = start == 0;  // a line longer than the chunk
    at += start == 0 ? chunk->size() : start;
  }
  return std::nullopt;
}

// Where the first row of time `utc` or later starts, bisecting the rows from
// byte `rows` (a line's start) on; the file's end when there is none.
Result<std::uint64_t> row_at(const LineSource& lines, std::uint64_t rows, std::int64_t utc) {
  const Result<std::uint64_t> size = lines.size();
  if (!size) return size.failure();
  std::uint64_t low = rows;
  std::uint64_t high = std::max(rows, *size);
  while (high - low > kProbeBytes) {
    const std::uint64_t middle = low + (high - low) / 2;
    const Result<std::optional<FoundRow>> probe =
        find_row(lines, middle, std::numeric_limits<std::int64_t>::min(), kProbeBytes);
    if (!probe) return probe.failure();
    (*probe && (*probe)->utc < utc ? low : high) = middle;
  }
  const Result<std::optional<FoundRow>> found = find_row(lines, low, utc, std::numeric_limits<std::uint64_t>::max());
  if (!found) return found.failure();
  return *found ? (*found)->offset : *size;
}

// Names of lower-case letters and underscores, one blank apart, "gap" with
// its count of seconds after it.
bool is_alarm_list(std::string_view text) {
  bool count = false;  // the word after "gap": its seconds
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    const std::string_view word = text.substr(at, end - at);
    const char* const allowed = count ? "0123456789" : "abcdefghijklmnopqrstuvwxyz_";
    if (word.empty() || word.find_first_not_of(allowed) != std::string_view::npos || end + 1 == text.size())
      return false;
    count = !count && word == kTrialsGapMark;
    at = end + 1;
  }
  return !count;
}

// Calls `mark` with each health alarm or lateness mark of an alarm list,
// passing over a gap and its count.
template <typename Mark>
void for_each_mark(std::string_view list, Mark mark) {
  bool count = false;
  while (!list.empty()) {
    const std::size_t blank = list.find(' ');
    const std::string_view name = list.substr(0, blank);
    if (!count && name != kTrialsGapMark) mark(name);
    count = !count && name == kTrialsGapMark;
    list = blank == std::string_view::npos ? std::string_view{} : list.substr(blank + 1);
  }
}

// The fields of a row as the monitor writes it, cut by the widths of its
// stamps rather than searched for their commas; false for any other line.
bool cut_row(std::string_view line, std::array<std::string_view, 5>& fields) {
  constexpr std::size_t kUtcWidth = 20;
  constexpr std::size_t kLocalWidth = 19;
  const std::size_t pass = line.find(',');
  const std::size_t ones = pass + kUtcWidth + kLocalWidth + 3;
  if (pass == std::string_view::npos || line.size() <= ones || line[pass + kUtcWidth + 1] != ',' ||
      line[ones - 1] != ',') {
    return false;
  }
  const std::size_t alarms = line.find(',', ones);
  if (alarms == std::string_view::npos) return false;
  fields = {line.substr(0, pass), line.substr(pass + 1, kUtcWidth), line.substr(pass + kUtcWidth + 2, kLocalWidth),
            line.substr(ones, alarms - ones), line.substr(alarms + 1)};
  return true;
}

// The reason the fields are not a row, or nothing when `second` holds them.
const char* parse_fields(const std::array<std::string_view, 5>& fields, TrialSecond& second, RowDates& dates) {
  const std::int64_t pass = whole_number(fields[0]);
  const std::int64_t utc = utc_stamp(fields[1], dates.utc);
  const std::int64_t local = local_stamp(fields[2], dates.local);
  const std::int64_t ones = whole_number(fields[3]);
  // A pass is counted in 32 bits, as the monitor counts it.
  if (pass < 1 || pass > std::numeric_limits<std::int32_t>::max()) return "no pass number";
  if (utc == kNoStamp || local == kNoStamp) return "no UTC or local time";
  if (ones == kNoNumber || ones > kBitsPerPass) return "no count of ones from 0 to the bits of a pass";
  if (!is_alarm_list(fields[4])) return "no list of health alarms";
  // The alarm list names the health tests that fired and marks a late pass.
  bool health = false;
  bool late = false;
  for_each_mark(fields[4], [&](std::string_view name) { (name == kTrialsLateAlarm ? late : health) = true; });
  second = {pass, utc, local, static_cast<std::int32_t>(ones), health, late, 0};
  return nullptr;
}

// The reason the line is not a row, or nothing when `second` holds it. A row
// whose cut fields read well has no comma inside them (nor in its alarms,
// which allow none), so that the commas would have cut it alike; any other
// line is read by its commas.
const char* parse_second(std::string_view line, TrialSecond& second, RowDates& dates) {
  std::array<std::string_view, 5> fields;
  if (cut_row(line, fields) && parse_fields(fields, second, dates) == nullptr) return nullptr;
  if (!split_fields(line, fields)) return "not a line of five fields";
  return parse_fields(fields, second, dates);
}

}  // namespace

std::optional<TrialSecond> parse_trials_row(std::string_view line, RowDates& dates) {
  TrialSecond second;
  return parse_second(line, second, dates) == nullptr ? std::optional(second) : std::nullopt;
}

Result<TrialsHead> TrialsReader::head() {
  if (Outcome read = read_head(); !read) return read.failure();
  return head_;
}

Outcome TrialsReader::read_head() {
  while (!headRead_) {
    const Next<SourceLine> read = lines_.next();
    if (!read) return read.failure();
    const std::optional<SourceLine>& line = *read;
    if (!line) {
      if (lines_.abandoned()) {
        notes_.add_abandoned();
      } else {
        notes_.add(0, false, [] { return "no header line \"" + std::string(kTrialsColumns) + "\""; });
      }
      headRead_ = linesDone_ = true;
    } else if (line->text == kTrialsColumns && !line->torn) {
      headRead_ = true;
    } else if (line->text.starts_with(kTrialsComment) && !line->torn && !line->overlong) {
      const std::string_view text = line->text.substr(kTrialsComment.size());
      const std::size_t equals = text.find('=');
      const std::string_view name = text.substr(0, equals);
      const std::string value(equals == std::string_view::npos ? "" : text.substr(equals + 1));
      for (const auto& [field, known] :
           {std::pair{&head_.program, kTrialsProgram}, std::pair{&head_.source, kTrialsSource},
            std::pair{&head_.keyCommitment, kTrialsKeyCommitment}, std::pair{&head_.station, kTrialsStation},
            std::pair{&head_.clock, kTrialsClock}}) {
        if (name == known) *field = value;
      }
      if (name == kTrialsClock && !clock_state_trusted(value)) {
        notes_.add(line->number, false, [&] {
          return "the clock as the run began (" + std::string(text) +
                 ") was not synchronised to within half a second: its UTC stamps may name the wrong second";
        });
      }
    } else {
      notes_.add(line->number, true,
                 [] { return "neither a comment nor the header \"" + std::string(kTrialsColumns) + "\""; });
    }
  }
  return {};
}

Outcome TrialsReader::read_range(std::optional<std::int64_t> from, std::optional<std::int64_t> to) {
  if (Outcome read = read_head(); !read) return read;
  if (linesDone_) return {};
  const std::uint64_t rows = lines_.position();
  if (to) {
    const Result<std::uint64_t> end = row_at(lines_, rows, *to);
    if (!end) return end.failure();
    notesTo_ = *end;
  }
  if (!from) return {};
  const Result<std::uint64_t> first = row_at(lines_, rows, *from);
  if (!first) return first.failure();
  const Result<std::uint64_t> lead = row_at(lines_, rows, *from - kLeadSeconds);
  if (!lead) return lead.failure();
  notesFrom_ = *first;
  lines_.seek(std::min(*lead, *first));
  return {};
}

template <typename Message>
void TrialsReader::note(std::size_t line, bool skipped, Message&& message) {
  if (!fromLine_ || line < *fromLine_ || (toLine_ && line >= *toLine_)) return;
  notes_.add(lines_.in_file(line), skipped, std::forward<Message>(message));
}

Outcome TrialsReader::fill() {
  if (Outcome read = headRead_ ? Outcome{} : read_head(); !read) return read;
  while (waiting_ < ahead_.size() && !linesDone_) {
    const Next<SourceLine> read = lines_.next();
    if (!read) return read.failure();
    const std::optional<SourceLine>& line = *read;
    if (!line) {
      if (lines_.abandoned()) notes_.add_abandoned();
      linesDone_ = true;
      break;
    }
    if (!fromLine_ && line->offset >= notesFrom_) fromLine_ = line->number;
    if (!toLine_ && notesTo_ && line->offset >= *notesTo_) toLine_ = line->number;
    Row& row = ahead_[waiting_];
    const char* problem = line->torn       ? "a torn last line: it has no line end"
                          : line->overlong ? "a line far too long"
                                           : parse_second(line->text, row.second, dates_);
    if (problem != nullptr) {
      note(line->number, true, [problem] { return std::string(problem); });
      continue;
    }
    lines_.record_found();
    row.second.line = line->number;
    row.alarms = line->text.substr(line->text.rfind(',') + 1);
    ++waiting_;
  }
  return {};
}

bool TrialsReader::accept(const Row& row, const Row* following) {
  const TrialSecond& second = row.second;
  const bool followingInOrder = following != nullptr && following->second.pass > second.pass;
  const auto leave_out = [&](const std::function<std::string()>& why) {
    ++leftOut_;
    note(second.line, false, [&] { return "left out: " + why(); });
    return false;
  };
  if (second.pass <= lastPass_) {
    return leave_out(
        [&] { return "pass " + std::to_string(second.pass) + " comes after pass " + std::to_string(lastPass_); });
  }
  if (following != nullptr && following->second.pass > lastPass_ && following->second.pass < second.pass) {
    return leave_out([&] {
      return "pass " + std::to_string(second.pass) + " comes before pass " + std::to_string(following->second.pass);
    });
  }
  if (!utcStart_) {
    // The first second sets the clock unless the next one contradicts it.
    const std::int64_t start = second.utc - second.pass + 1;
    if (followingInOrder && std::abs(following->second.utc - following->second.pass + 1 - start) > kStampTolerance) {
      return leave_out([] { return std::string("its time contradicts the next second's"); });
    }
    utcStart_ = start;
  }
  const std::int64_t step = second.utc - expected_utc(second.pass, offset_);
  // The monitor marks the seconds it skipped on the row after them.
  const bool skipped = step > 0 && gap_of(row.alarms) == step;
  const bool confirmed =
      skipped ||
      (followingInOrder &&
       std::abs(following->second.utc - expected_utc(following->second.pass, offset_ + step)) <= kStampTolerance);
  if (std::abs(step) > kStampTolerance && !confirmed) {
    return leave_out([&] {
      return "its time is " + std::to_string(std::abs(step)) + " s from where pass " + std::to_string(second.pass) +
             " puts it";
    });
  }
  if (skipped) {
    note(second.line, false, [&] { return "the run skipped " + std::to_string(step) + " s before this second"; });
  } else if (std::abs(step) > kStampTolerance) {
    note(second.line, false, [&] {
      return "the clock moved by " + std::string(step > 0 ? "+" : "") + std::to_string(step) + " s before this second";
    });
  }
  offset_ += step;
  const std::int64_t gap = lastPass_ > 0 ? second.pass - lastPass_ - 1 : 0;
  if (gap - leftOut_ > 0) {
    const std::int64_t from = lastPass_ + 1;
    note(second.line, false, [&] {
      return gap == 1 ? "pass " + std::to_string(from) + " missing"
                      : std::to_string(gap - leftOut_) + " of passes " + std::to_string(from) + " to " +
                            std::to_string(second.pass - 1) + " missing";
    });
  }
  if (gap > 0) leftOut_ = 0;
  lastPass_ = second.pass;
  return true;
}

Result<std::unique_ptr<TrialsStream>> TrialsStream::open(const std::string& path, FileNotes& notes) {
  Result<LineSource> lines = LineSource::open(path);
  if (!lines) return lines.failure();
  return std::make_unique<TrialsStream>(std::move(*lines), notes);
}

Next<TrialSecond> TrialsReader::next() {
  for (;;) {
    if (Outcome filled = fill(); !filled) return filled.failure();
    // A range ends at the line where the next range's notes begin.
    if (waiting_ == 0 || (toLine_ && ahead_[0].second.line >= *toLine_)) return std::nullopt;
    const bool accepted = accept(ahead_[0], waiting_ > 1 ? &ahead_[1] : nullptr);
    std::swap(ahead_[0], ahead_[1]);
    --waiting_;
    if (!accepted) continue;
    const Row& row = ahead_[1];
    for_each_mark(row.alarms, [&](std::string_view name) { ++alarms_[std::string(name)]; });
    return row.second;
  }
}

}  // namespace novabit::report
