#include "report/study_log_reader.h"

#include <array>
#include <optional>
#include <span>
#include <string>

#include "report/log_time.h"

namespace novabit::report {

namespace {

// The middle item of a checkpoint record's first line, without its trailing
// blank: the counts follow after blanks.
struct HeadForm {
  RecordKind kind;
  Leaning leaning;
  std::string_view text;
};

constexpr std::array<HeadForm, 3> kQuarterHeads{{
    {RecordKind::quarter, Leaning::zero, " checkpoint 15 min 0 > 1 :"},
    {RecordKind::quarter, Leaning::one, " checkpoint 15 min 1 > 0 :"},
    {RecordKind::quarter, Leaning::balance, " checkpoint 15min 0 = 1 :"},
}};
constexpr std::array<HeadForm, 3> kFiveMinuteHeads{{
    {RecordKind::five_minute, Leaning::zero, " checkpoint 5 min. 0 > 1 :"},
    {RecordKind::five_minute, Leaning::one, " checkpoint 5 min. 1 > 0 :"},
    {RecordKind::five_minute, Leaning::balance, " checkpoint 5min. 0 = 1 :"},
}};
constexpr std::string_view kQuarterMark = ">>>>>";
constexpr std::string_view kCycleText = "ciclos de 12 horas completados:";

// A further line of a record: a "##.##" picture line, or a plain text.
struct Shape {
  std::string_view text;
  bool picture;
};

constexpr Shape kQuarterZero{"     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: ##.## ", true};
constexpr Shape kQuarterOne{"     1 -> Desvio medio al UNO en \xFAltimos 15 min en %: ##.## ", true};
constexpr Shape kQuarterBalance{"     0 <=> 1 Equilibrio absoluto entre ceros y unos en \xFAltimos 15 min", false};
constexpr Shape kGlobalOne{"     Desvio medio global hacia el UNO en %: ##.##", true};
constexpr Shape kGlobalZero{"     Desvio medio global hacia el CERO en %: ##.##", true};
constexpr Shape kFiveZero{"                  Desvio medio al CERO en \xFAltimos 5 min en %: ##.## ", true};
constexpr Shape kFiveOne{"                  Desvio medio al UNO en \xFAltimos 5 min en %: ##.## ", true};
constexpr Shape kFiveBalance{"                          0=1 Equilibrio absoluto entre CEROS y UNOS en \xFAltimos 5 min",
                             false};

constexpr std::array<Shape, 3> kQuarterZeroLines{kQuarterZero, kGlobalOne, kGlobalZero};
constexpr std::array<Shape, 3> kQuarterOneLines{kQuarterOne, kGlobalOne, kGlobalZero};
constexpr std::array<Shape, 3> kQuarterBalanceLines{kQuarterBalance, kGlobalOne, kGlobalZero};
constexpr std::array<Shape, 1> kFiveZeroLines{kFiveZero};
constexpr std::array<Shape, 1> kFiveOneLines{kFiveOne};
constexpr std::array<Shape, 1> kFiveBalanceLines{kFiveBalance};
constexpr std::array<Shape, 8> kAllShapes{kQuarterZero, kQuarterOne, kQuarterBalance, kGlobalOne,
                                          kGlobalZero,  kFiveZero,   kFiveOne,        kFiveBalance};

std::span<const Shape> further_lines(RecordKind kind, Leaning leaning) {
  const bool quarter = kind == RecordKind::quarter;
  switch (leaning) {
    case Leaning::zero:
      return quarter ? std::span<const Shape>(kQuarterZeroLines) : std::span<const Shape>(kFiveZeroLines);
    case Leaning::one:
      return quarter ? std::span<const Shape>(kQuarterOneLines) : std::span<const Shape>(kFiveOneLines);
    case Leaning::balance:
      break;
  }
  return quarter ? std::span<const Shape>(kQuarterBalanceLines) : std::span<const Shape>(kFiveBalanceLines);
}

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
bool matches(const Shape& shape, std::string_view line) {
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
  if (!shape.picture) {
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
HeadResult checkpoint_head(const HeadForm& form, LocalTime when, std::string_view counts) {
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
  rest.remove_prefix(kCycleText.size());
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
  const bool quarter = line.starts_with(kQuarterMark);
  if (quarter) {
    line.remove_prefix(kQuarterMark.size());
  }
  const std::optional<LocalTime> date = parse_log_date(line.substr(0, 10));
  if (!date) {
    return {};
  }
  std::string_view rest = line.substr(10);
  if (!quarter && rest.starts_with(kCycleText)) {
    return cycle_head(*date, rest);
  }
  if (!rest.starts_with(" - ")) {
    return {};
  }
  const std::optional<LocalTime> when = parse_log_time(rest.substr(3, 8), *date);
  if (!when) {
    return {};
  }
  rest.remove_prefix(11);
  for (const HeadForm& form : quarter ? std::span<const HeadForm>(kQuarterHeads) : kFiveMinuteHeads) {
    if (rest.starts_with(form.text)) {
      return checkpoint_head(form, *when, rest.substr(form.text.size()));
    }
  }
  return {};
}

// Follows the lines of the record being read.
class RecordLines {
 public:
  void start(const LogRecord& record) {
    lines_ = record.kind == RecordKind::cycle ? std::span<const Shape>{} : further_lines(record.kind, record.leaning);
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
  std::span<const Shape> lines_;
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
      for (const Shape& shape : kAllShapes) {
        further = further || matches(shape, line);
      }
      contents.notes.push_back(
          {number, further ? "a record's further line without its first line" : "not a study log record", true});
    }
  }
  open.finish(contents.notes);
  return contents;
}

}  // namespace novabit::report
