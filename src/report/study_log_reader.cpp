#include "report/study_log_reader.h"

#include <array>
#include <string>
#include <vector>

#include "experiment/experiment_numbers.h"
#include "report/log_time.h"
#include "textio/formatting.h"

namespace novabit::report {

namespace {

std::string_view trim_end(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

// `text` with every run of blanks (spaces or tabs) made one space, as a log
// re-saved with tabs for runs of spaces, or aligned anew, still says it.
std::string_view collapse_blanks(std::string_view text, std::string& into) {
  into.clear();
  for (const char byte : text) {
    const bool blank = byte == ' ' || byte == '\t';
    if (!blank || into.empty() || into.back() != ' ') into += blank ? ' ' : byte;
  }
  return into;
}

// Of every further line, with its blanks collapsed: the text before its
// number field, or the whole line when it has none; made once.
const std::string& shape_text(const RecordLine& shape) {
  static const std::vector<std::pair<const RecordLine*, std::string>> kShapes = [] {
    std::vector<std::pair<const RecordLine*, std::string>> table;
    for (const RecordForm& form : checkpoint_forms()) {
      for (const RecordLine& line : form.lines) {
        std::string collapsed;
        const std::string text =
            line.value == LineValue::none ? std::string(trim_end(line.text)) : parse_picture(line.text).before;
        table.emplace_back(&line, std::string(collapse_blanks(text, collapsed)));
      }
    }
    return table;
  }();
  for (const auto& [line, text] : kShapes) {
    if (line == &shape) return text;
  }
  static const std::string kNone;
  return kNone;
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
  if (shape.value == LineValue::none) return line == shape_text(shape);
  const std::string& before = shape_text(shape);
  if (!line.starts_with(before)) return false;
  std::string_view field = line.substr(before.size());
  field.remove_prefix(std::min(field.find_first_not_of(' '), field.size()));
  if (field.empty() || field.size() > 24) return false;
  for (const char byte : field) {
    if (byte <= ' ' || byte > '~') return false;
  }
  return true;
}

bool is_further_line(std::string_view line) {
  if (!line.starts_with(' ')) return false;
  for (const RecordForm& form : checkpoint_forms()) {
    for (const RecordLine& shape : form.lines) {
      if (matches(shape, line)) return true;
    }
  }
  return false;
}

// Blanks, then digits; nothing when either is missing or the number is too long.
std::optional<std::int64_t> take_count(std::string_view& text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == 0 || start == std::string_view::npos) return std::nullopt;
  text.remove_prefix(start);
  std::int64_t value = 0;
  std::size_t digits = 0;
  for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
    if (digits == 9) return std::nullopt;
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

struct Head {
  std::optional<LogRecord> record;  // counted or damaged
  const RecordForm* form = nullptr;
  std::string problem;  // why it is damaged
};

// The counts of a checkpoint line: the whole period, the larger count first,
// equal exactly in the balance form.
Head checkpoint_head(const RecordForm& form, std::int64_t stamp, std::string_view counts) {
  Head head{LogRecord{form.kind, 0, stamp, false, 0, 0, false}, &form, {}};
  const std::optional<std::int64_t> first = take_count(counts);
  const std::optional<std::int64_t> second = first ? take_count(counts) : std::nullopt;
  if (!second || !trim_end(counts).empty()) {
    head.problem = std::string("no two counts in a ") + kind_name(form.kind) + " record";
    return head;
  }
  const std::int64_t bits = form.kind == RecordKind::quarter ? kQuarterBits : kFiveMinuteBits;
  const bool balance = form.leaning == Leaning::balance;
  if (*first + *second != bits || (balance ? *first != *second : *first <= *second)) {
    head.problem = "counts " + std::to_string(*first) + " and " + std::to_string(*second) + " do not fit the " +
                   form_name(form.leaning) + " form of a " + kind_name(form.kind) + " record (" + std::to_string(bits) +
                   " bits, the larger count first)";
    return head;
  }
  head.record->counted = true;
  head.record->ones = static_cast<std::int32_t>(form.leaning == Leaning::one ? *first : *second);
  return head;
}

Head cycle_head(std::int64_t day, std::string_view rest) {
  rest.remove_prefix(trim_end(kCycleRecordText).size());
  Head head{LogRecord{RecordKind::cycle, 0, day, false, 0, 0, false}, nullptr, {}};
  const std::optional<std::int64_t> count = take_count(rest);
  if (!count || !trim_end(rest).empty()) {
    head.problem = "no count in a cycle record";
    return head;
  }
  head.record->counted = true;
  head.record->cyclesCompleted = *count;
  return head;
}

Head parse_head(std::string_view line) {
  const std::string_view quarterMark = checkpoint_form(Period::quarter, Leaning::zero).mark;
  const bool quarter = line.starts_with(quarterMark);
  if (quarter) line.remove_prefix(quarterMark.size());
  const std::optional<LocalTime> date = parse_date_text(line.substr(0, 10));
  if (!date) return {};
  std::string_view rest = line.substr(10);
  if (!quarter && rest.starts_with(trim_end(kCycleRecordText))) return cycle_head(local_seconds(*date), rest);
  if (!rest.starts_with(kDateTimeSeparator)) return {};
  rest.remove_prefix(kDateTimeSeparator.size());
  const std::optional<LocalTime> when = parse_time_text(rest.substr(0, 8), *date);
  if (!when) return {};
  rest.remove_prefix(std::min<std::size_t>(8, rest.size()));
  for (const RecordForm& form : checkpoint_forms()) {
    // The head's last blank belongs to the counts, which may have any number before them.
    const std::string_view head = trim_end(form.head);
    if ((form.kind == RecordKind::quarter) == quarter && rest.starts_with(head)) {
      return checkpoint_head(form, local_seconds(*when), rest.substr(head.size()));
    }
  }
  // Torn after its time: the mark still tells the kind, and the time its place.
  const RecordKind kind = quarter ? RecordKind::quarter : RecordKind::five_minute;
  return {LogRecord{kind, 0, local_seconds(*when), false, 0, 0, false}, nullptr,
          std::string("a ") + kind_name(kind) + " record torn after its time"};
}

}  // namespace

void StudyLogReader::finish_record() {
  if (open_ != nullptr && matched_ < open_->lines.size()) {
    const RecordForm& form = *open_;
    const std::size_t matched = matched_;
    notes_.add(openLine_, false, [&] {
      return std::string("the ") + kind_name(form.kind) + " record ends after " + std::to_string(matched + 1) +
             " of its " + std::to_string(form.lines.size() + 1) + " lines";
    });
  }
  open_ = nullptr;
}

Next<LogRecord> StudyLogReader::next() {
  for (;;) {
    const Next<SourceLine> read = lines_.next();
    if (!read) return read.failure();
    if (!*read) break;
    const SourceLine& line = **read;
    const std::string_view text = collapse_blanks(line.text, collapsed_);
    if (open_ != nullptr && !line.torn && matched_ < open_->lines.size() && matches(open_->lines[matched_], text)) {
      ++matched_;
      lastSkipped_ = false;
      continue;
    }
    finish_record();
    const bool previousSkipped = std::exchange(lastSkipped_, true);
    if (line.torn || line.overlong) {
      afterSkip_ = true;
      notes_.add(line.number, true,
                 [&] { return line.torn ? "a torn last line: it has no line end" : "a line far too long"; });
      continue;
    }
    Head head = parse_head(text);
    if (!head.record) {
      afterSkip_ = true;
      // The further lines of a record whose first line was skipped are part of that one problem.
      if (previousSkipped && is_further_line(text)) {
        notes_.skip_quietly();
      } else {
        notes_.add(line.number, true, [&] {
          return is_further_line(text) ? "a record's further line without its first line" : "not a study log record";
        });
      }
      continue;
    }
    if (!head.problem.empty()) notes_.add(line.number, true, [&] { return head.problem; });
    lastSkipped_ = !head.problem.empty();
    open_ = head.form;
    openLine_ = line.number;
    matched_ = 0;
    head.record->line = line.number;
    head.record->afterSkip = std::exchange(afterSkip_, false);
    lines_.record_found();
    return head.record;
  }
  finish_record();
  if (lines_.abandoned()) notes_.add_abandoned();
  return std::nullopt;
}

}  // namespace novabit::report
