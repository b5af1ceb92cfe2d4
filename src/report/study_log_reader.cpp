#include "report/study_log_reader.h"

#include <array>
#include <optional>
#include <span>
#include <string>

#include "experiment/experiment_numbers.h"
#include "report/log_time.h"

namespace novabit::report {

namespace {

std::string_view trim_end(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

std::string_view trim_start(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  return start == std::string_view::npos ? std::string_view{} : text.substr(start);
}

// Trailing blanks are not held against a line, and an "\xFA" that went
// through UTF-8 on the way is taken back. The field of a picture line may
// hold any number text, including whatever a writer shows for no value.
bool matches(const RecordLine& shape, std::string_view line) {
  line = trim_end(line);
  std::string latin1;
  if (line.find("\xC3\xBA") != std::string_view::npos) {
    for (std::size_t at = 0; at < line.size(); ++at) {
      const bool utf8 = line.substr(at, 2) == "\xC3\xBA";
      latin1 += utf8 ? '\xFA' : line[at];
      at += utf8 ? 1 : 0;
    }
    line = latin1;
  }
  if (shape.value == LineValue::none) {
    return line == trim_end(shape.text);
  }
  const PictureText picture = parse_picture(shape.text);
  if (!line.starts_with(picture.before)) {
    return false;
  }
  const std::string_view field = trim_start(line.substr(picture.before.size()));
  if (field.empty() || field.size() > 24) {
    return false;
  }
  for (const char byte : field) {
    if (byte <= ' ' || byte > '~') {
      return false;
    }
  }
  return true;
}

// Blanks, then digits; nothing when either is missing or the number is too long.
std::optional<std::int64_t> take_count(std::string_view& text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == 0 || start == std::string_view::npos) {
    return std::nullopt;
  }
  text.remove_prefix(start);
  std::int64_t value = 0;
  std::size_t digits = 0;
  for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
    if (digits == 9) {
      return std::nullopt;
    }
    value = value * 10 + (text[digits] - '0');
  }
  text.remove_prefix(digits);
  return digits == 0 ? std::nullopt : std::optional(value);
}

// Names in the order of the enumerations.
const char* kind_name(RecordKind kind) {
  constexpr std::array<const char*, 3> kNames{"five-minute", "quarter", "cycle"};
  return kNames[static_cast<std::size_t>(kind)];
}

const char* form_name(Leaning leaning) {
  constexpr std::array<const char*, 3> kNames{"zero", "one", "balance"};
  return kNames[static_cast<std::size_t>(leaning)];
}

struct HeadResult {
  std::optional<LogRecord> record;
  std::string problem;  // when the line has a record's start but not its figures
};

// The counts of a checkpoint line: the whole period, the larger count first,
// equal exactly in the balance form.
HeadResult checkpoint_head(const RecordForm& form, LocalTime when, std::string_view counts) {
  const std::optional<std::int64_t> first = take_count(counts);
  const std::optional<std::int64_t> second = first ? take_count(counts) : std::nullopt;
  if (!second || !trim_end(counts).empty()) {
    return {std::nullopt, std::string("no two counts in a ") + kind_name(form.kind) + " record"};
  }
  const std::int64_t bits = form.kind == RecordKind::quarter ? kQuarterBits : kFiveMinuteBits;
  const bool balance = form.leaning == Leaning::balance;
  if (*first + *second != bits || (balance ? *first != *second : *first <= *second)) {
    return {std::nullopt, "counts " + std::to_string(*first) + " and " + std::to_string(*second) + " do not fit the " +
                              form_name(form.leaning) + " form of a " + kind_name(form.kind) + " record (" +
                              std::to_string(bits) + " bits, the larger count first)"};
  }
  LogRecord record;
  record.kind = form.kind;
  record.when = when;
  record.leaning = form.leaning;
  record.zeros = form.leaning == Leaning::one ? *second : *first;
  record.ones = bits - record.zeros;
  return {record, {}};
}

HeadResult cycle_head(LocalTime date, std::string_view rest) {
  rest.remove_prefix(trim_end(kCycleRecordText).size());
  const std::optional<std::int64_t> count = take_count(rest);
  if (!count || !trim_end(rest).empty()) {
    return {std::nullopt, "no count in a cycle record"};
  }
  LogRecord record;
  record.when = date;
  record.cyclesCompleted = *count;
  return {record, {}};
}

HeadResult parse_head(std::string_view line) {
  const std::string_view quarterMark = checkpoint_form(Period::quarter, Leaning::zero).mark;
  const bool quarter = line.starts_with(quarterMark);
  if (quarter) {
    line.remove_prefix(quarterMark.size());
  }
  const std::optional<LocalTime> date = parse_date_text(line.substr(0, 10));
  if (!date) {
    return {};
  }
  std::string_view rest = line.substr(10);
  if (!quarter && rest.starts_with(trim_end(kCycleRecordText))) {
    return cycle_head(*date, rest);
  }
  if (!rest.starts_with(kDateTimeSeparator)) {
    return {};
  }
  rest.remove_prefix(kDateTimeSeparator.size());
  const std::optional<LocalTime> when = parse_time_text(rest.substr(0, 8), *date);
  if (!when) {
    return {};
  }
  rest.remove_prefix(8);
  for (const RecordForm& form : checkpoint_forms()) {
    // The head's last blank belongs to the counts, which may have any number before them.
    const std::string_view head = trim_end(form.head);
    if ((form.kind == RecordKind::quarter) == quarter && rest.starts_with(head)) {
      return checkpoint_head(form, *when, rest.substr(head.size()));
    }
  }
  return {};
}

// Follows the lines of the record being read.
class RecordLines {
 public:
  void start(const LogRecord& record) {
    lines_ = record.kind == RecordKind::cycle
                 ? std::span<const RecordLine>{}
                 : checkpoint_form(record.kind == RecordKind::quarter ? Period::quarter : Period::five_minute,
                                   record.leaning)
                       .lines;
    kind_ = record.kind;
    firstLine_ = record.line;
    matched_ = 0;
  }
  bool expects_more() const { return matched_ < lines_.size(); }
  bool take(std::string_view line) {
    if (expects_more() && matches(lines_[matched_], line)) {
      ++matched_;
      return true;
    }
    return false;
  }
  // Notes a record that stopped short, and forgets it.
  void finish(std::vector<LineNote>& notes) {
    if (expects_more()) {
      notes.push_back({firstLine_,
                       std::string("the ") + kind_name(kind_) + " record ends after " + std::to_string(matched_ + 1) +
                           " of its " + std::to_string(lines_.size() + 1) + " lines",
                       false});
    }
    lines_ = {};
  }

 private:
  std::span<const RecordLine> lines_;
  RecordKind kind_ = RecordKind::cycle;
  std::size_t firstLine_ = 0;
  std::size_t matched_ = 0;
};

}  // namespace

StudyLogContents read_study_log(std::string_view text) {
  StudyLogContents contents;
  LineSplitter lines(text);
  RecordLines open;
  std::string_view line;
  bool torn = false;
  while (lines.next(line, torn)) {
    const std::size_t number = lines.number();
    if (torn) {
      open.finish(contents.notes);
      contents.notes.push_back({number, "a torn last line: it has no line end", true});
      break;
    }
    if (open.take(line)) {
      continue;
    }
    open.finish(contents.notes);
    HeadResult head = parse_head(line);
    if (head.record) {
      head.record->line = number;
      contents.records.push_back(*head.record);
      open.start(*head.record);
    } else if (!head.problem.empty()) {
      contents.notes.push_back({number, head.problem, true});
    } else {
      bool further = false;
      for (const RecordForm& form : checkpoint_forms()) {
        for (const RecordLine& shape : form.lines) further = further || matches(shape, line);
      }
      contents.notes.push_back(
          {number, further ? "a record's further line without its first line" : "not a study log record", true});
    }
  }
  open.finish(contents.notes);
  return contents;
}

}  // namespace novabit::report
