#include "report/run_survey.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/file_handles.h"
#include "experiment/experiment_numbers.h"
#include "report/log_stream.h"
#include "report/record_placer.h"

namespace novabit::report {

namespace {

// Enough for the first hours of a log or the first minutes of seconds, and
// for the last records of either.
constexpr std::size_t kHeadBytes = 1 << 16;
constexpr std::size_t kTailBytes = 1 << 14;
constexpr std::size_t kSurveyCounts = 48;

struct Ends {
  std::string head;
  std::string tail;  // whole lines only
};

Result<Ends> file_ends(const std::string& path) {
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat status {};
  if (!file.valid() || fstat(file.get(), &status) != 0) return system_failure(path);
  if (S_ISDIR(status.st_mode)) return Failure{path, EISDIR};
  const auto size = static_cast<std::size_t>(status.st_size);
  Ends ends;
  for (auto [text, from, length] :
       {std::tuple{&ends.head, std::size_t{0}, std::min(size, kHeadBytes)},
        std::tuple{&ends.tail, size - std::min(size, kTailBytes), std::min(size, kTailBytes)}}) {
    text->resize(length);
    std::size_t done = 0;
    while (done < length) {
      const ssize_t got = pread(file.get(), text->data() + done, length - done, static_cast<off_t>(from + done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return system_failure(path);
      if (got == 0) break;
      done += static_cast<std::size_t>(got);
    }
    text->resize(done);
  }
  if (size > kTailBytes) ends.tail.erase(0, std::min(ends.tail.find('\n') + 1, ends.tail.size()));
  return ends;
}

bool counts_agree(const std::vector<StampedCount>& one, const std::vector<StampedCount>& other) {
  if (one.empty() || other.empty() || one.back().at < other.front().at || other.back().at < one.front().at) {
    return false;
  }
  std::size_t common = 0;
  std::size_t agreeing = 0;
  for (std::size_t i = 0, j = 0; i < one.size() && j < other.size();) {
    if (one[i].at != other[j].at) {
      one[i].at < other[j].at ? ++i : ++j;
      continue;
    }
    ++common;
    agreeing += one[i++].ones == other[j++].ones ? 1 : 0;
  }
  // Two runs agree on a five-minute count by chance about once in 300, so a
  // few common moments settle it; a file of fewer records needs all of them.
  constexpr std::size_t kEnough = 3;
  return common > 0 && (common >= kEnough || common == std::min(one.size(), other.size())) &&
         4 * agreeing >= 3 * common;
}

}  // namespace

Result<FileSurvey> survey_log(const std::string& path) {
  const Result<Ends> ends = file_ends(path);
  if (!ends) return ends.failure();
  FileSurvey survey;
  survey.file = survey.path = path;
  FileNotes ignored;
  LogStream head(LineSource(ends->head), std::nullopt, ignored);
  while (survey.counts.size() < kSurveyCounts) {
    const Next<Checkpoint> next = head.next();
    if (!next) return next.failure();
    const std::optional<Checkpoint>& record = *next;
    if (!record) break;
    survey.lastPass = record->pass;
    if (record->kind != RecordKind::cycle) survey.lastStamp = std::max(survey.lastStamp, record->stamp);
    if (record->kind == RecordKind::five_minute && record->counted)
      survey.counts.push_back({record->stamp, record->ones});
  }
  survey.start = head.start();
  LineSource tailLines(ends->tail);
  StudyLogReader tail(tailLines, ignored);
  for (;;) {
    const Next<LogRecord> next = tail.next();
    if (!next) return next.failure();
    const std::optional<LogRecord>& record = *next;
    if (!record) break;
    if (record->kind == RecordKind::cycle && record->counted) {
      survey.lastPass = std::max(survey.lastPass, record->cyclesCompleted * kPassesPerCycle);
    } else if (record->kind != RecordKind::cycle && survey.start) {
      survey.lastStamp = std::max(survey.lastStamp, record->stamp);
      const std::int64_t elapsed = record->stamp - *survey.start + 1;
      survey.lastPass = std::max(survey.lastPass, elapsed / kFiveMinutePasses * kFiveMinutePasses);
    }
  }
  return survey;
}

Result<FileSurvey> survey_trials(const std::string& path) {
  const Result<Ends> ends = file_ends(path);
  if (!ends) return ends.failure();
  FileSurvey survey;
  survey.file = survey.path = path;
  FileNotes ignored;
  LineSource headLines(ends->head);
  TrialsReader head(headLines, ignored);
  const Result<TrialsHead> headLinesRead = head.head();
  if (!headLinesRead) return headLinesRead.failure();
  survey.head = *headLinesRead;
  while (survey.counts.size() < kSurveyCounts) {
    const Next<TrialSecond> next = head.next();
    if (!next) return next.failure();
    const std::optional<TrialSecond>& second = *next;
    if (!second) break;
    if (!survey.start) survey.start = second->local - second->pass + 1;
    survey.lastPass = second->pass;
    survey.counts.push_back({second->utc, second->ones});
  }
  LineSource tailLines(ends->tail);
  RowDates dates;
  for (;;) {
    const Next<SourceLine> next = tailLines.next();
    if (!next) return next.failure();
    const std::optional<SourceLine>& line = *next;
    if (!line) break;
    if (const std::optional<TrialSecond> second = parse_trials_row(line->text, dates); second && !line->torn) {
      survey.lastPass = std::max(survey.lastPass, second->pass);
    }
  }
  if (survey.start) survey.lastStamp = *survey.start + survey.lastPass - 1;
  return survey;
}

namespace {

// The first time and the last a log's records reckon with.
std::pair<std::int64_t, std::int64_t> span_of(const FileSurvey& log) { return {*log.start, log.lastStamp}; }

Result<bool> found_within(const FileSurvey& part, const FileSurvey& whole) {
  if (part.counts.empty()) return false;
  const std::int64_t from = part.counts.front().at;
  const std::int64_t to = part.counts.back().at;
  Result<LineSource> lines = LineSource::open(whole.path);
  if (!lines) return lines.failure();
  FileNotes ignored;
  StudyLogReader reader(*lines, ignored);
  std::vector<StampedCount> found;
  for (;;) {
    const Next<LogRecord> next = reader.next();
    if (!next) return next.failure();
    const std::optional<LogRecord>& record = *next;
    // A daylight-saving change may put a stamp an hour back; none goes further.
    if (!record || record->stamp > to + 2 * kClockChange) break;
    if (record->kind == RecordKind::five_minute && record->counted && record->stamp >= from && record->stamp <= to) {
      found.push_back({record->stamp, record->ones});
    }
  }
  return counts_agree(part.counts, found);
}

}  // namespace

Result<bool> one_within_other(const FileSurvey& one, const FileSurvey& other) {
  if (!one.start || !other.start) return false;
  const auto [oneFrom, oneTo] = span_of(one);
  const auto [otherFrom, otherTo] = span_of(other);
  if (oneTo < otherFrom || otherTo < oneFrom) return false;
  const Result<bool> within = found_within(one, other);
  if (!within || *within) return within;
  return found_within(other, one);
}

namespace {

template <typename Reader>
bool holds_record(const std::string& path) {
  Result<LineSource> lines = LineSource::open(path);
  FileNotes ignored;
  if (!lines) return false;
  Reader reader(*lines, ignored);
  const auto item = reader.next();
  return item && item->has_value();
}

}  // namespace

bool log_holds_record(const std::string& path) { return holds_record<StudyLogReader>(path); }
bool trials_hold_record(const std::string& path) { return holds_record<TrialsReader>(path); }

bool same_run(const FileSurvey& one, const FileSurvey& other) {
  const std::string& oneKey = one.head.keyCommitment;
  const std::string& otherKey = other.head.keyCommitment;
  if (!oneKey.empty() && !otherKey.empty()) return oneKey == otherKey;
  return counts_agree(one.counts, other.counts);
}

}  // namespace novabit::report
