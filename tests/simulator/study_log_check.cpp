#include "simulator/study_log_check.h"

#include <algorithm>
#include <charconv>
#include <chrono>

namespace novabit::testing {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

enum class Lead { zeros, ones, neither };

struct CheckpointForm {
  std::string_view heading;
  Lead lead;
  // Line 2: the text before the leading side's average, which one blank
  // follows; for an even period the whole line.
  std::string_view averageText;
};

constexpr CheckpointForm kQuarterForms[] = {
    {" checkpoint 15 min 0 > 1 : ", Lead::zeros, "     0 -> Desvio medio al CERO en \xFAltimos 15 min en %: "},
    {" checkpoint 15 min 1 > 0 : ", Lead::ones, "     1 -> Desvio medio al UNO en \xFAltimos 15 min en %: "},
    {" checkpoint 15min 0 = 1 : ", Lead::neither,
     "     0 <=> 1 Equilibrio absoluto entre ceros y unos en \xFAltimos 15 min"},
};

constexpr CheckpointForm kFiveMinuteForms[] = {
    {" checkpoint 5 min. 0 > 1 : ", Lead::zeros, "                  Desvio medio al CERO en \xFAltimos 5 min en %: "},
    {" checkpoint 5 min. 1 > 0 : ", Lead::ones, "                  Desvio medio al UNO en \xFAltimos 5 min en %: "},
    {" checkpoint 5min. 0 = 1 : ", Lead::neither,
     "                          0=1 Equilibrio absoluto entre CEROS y UNOS en \xFAltimos 5 min"},
};

// 200 bits a pass, 900 and 300 passes a period.
constexpr std::int64_t kQuarterBits = 180000;
constexpr std::int64_t kFiveMinuteBits = 60000;

// `text` against `shape`, in which '9' stands for any digit.
bool has_shape(std::string_view text, std::string_view shape) {
  if (text.size() != shape.size()) return false;
  for (std::size_t at = 0; at < shape.size(); ++at) {
    const bool digit = text[at] >= '0' && text[at] <= '9';
    if (shape[at] == '9' ? !digit : text[at] != shape[at]) return false;
  }
  return true;
}

unsigned number_in(std::string_view text, std::size_t at, std::size_t length) {
  unsigned value = 0;
  std::from_chars(text.data() + at, text.data() + at + length, value);
  return value;
}

// One line without its CR LF, read item by item from the left. The first
// item that is not where it should be is kept as the problem.
class LineReader {
 public:
  explicit LineReader(std::string_view line) : line_(line) {}

  const std::string& problem() const { return problem_; }
  bool starts_with(std::string_view text) const { return rest().starts_with(text); }

  // Takes `text` when the line goes on with it.
  bool take(std::string_view text) {
    if (!starts_with(text)) return false;
    at_ += text.size();
    return true;
  }

  bool literal(std::string_view text) { return take(text) || fail("\"" + std::string(text) + "\" expected"); }

  bool date(std::string& text) {
    const std::string_view field = rest().substr(0, 10);
    if (!has_shape(field, "99-99-9999")) return fail("a date MM-DD-YYYY expected");
    const std::chrono::year_month_day day{std::chrono::year(static_cast<int>(number_in(field, 6, 4))),
                                          std::chrono::month(number_in(field, 0, 2)),
                                          std::chrono::day(number_in(field, 3, 2))};
    if (!day.ok()) return fail("no such date");
    text = field;
    at_ += field.size();
    return true;
  }

  bool time(std::string& text) {
    const std::string_view field = rest().substr(0, 8);
    if (!has_shape(field, "99:99:99")) return fail("a time HH:MM:SS expected");
    if (number_in(field, 0, 2) > 23 || number_in(field, 3, 2) > 59 || number_in(field, 6, 2) > 59) {
      return fail("no such time");
    }
    text = field;
    at_ += field.size();
    return true;
  }

  // A whole number as the log writes it: a blank, then its digits.
  bool count(std::int64_t& value) {
    const std::size_t begin = at_;
    if (take(" ")) {
      const std::size_t length = digits();
      const bool plain = length == 1 || (length > 1 && length < 11 && line_[at_ - length] != '0');
      if (plain) {
        std::from_chars(line_.data() + at_ - length, line_.data() + at_, value);
        return true;
      }
    }
    at_ = begin;
    return fail("a count expected");
  }

  // Blanks up to the start of the next print zone (every 14 columns), at least one.
  bool zone() {
    const std::size_t next = (at_ + 14) / 14 * 14;
    return take(std::string(next - at_, ' ')) || fail("blanks up to column " + std::to_string(next + 1) + " expected");
  }

  // A "##.##" field: "--.--" for no value; otherwise a blank and one digit or
  // two or three digits, two decimals, and for 1000 and more the power of ten
  // the figure was scaled by ("12.34%e+2").
  bool figure(bool& none) {
    none = take("--.--");
    if (none) return true;
    const std::size_t begin = at_;
    const bool padded = take(" ");
    const std::size_t whole = digits();
    const bool wholeFits = padded ? whole == 1 : (whole == 2 || whole == 3) && line_[at_ - whole] != '0';
    bool fits = wholeFits && take(".") && digits() == 2;
    if (fits && !padded && take("%e")) fits = (take("+") || take("-")) && digits() > 0;
    if (fits) return true;
    at_ = begin;
    return fail("a \"##.##\" figure expected");
  }

  bool end() { return at_ == line_.size() || fail("the line goes on"); }

 private:
  std::string_view rest() const { return line_.substr(at_); }

  std::size_t digits() {
    const std::size_t begin = at_;
    while (at_ < line_.size() && line_[at_] >= '0' && line_[at_] <= '9') ++at_;
    return at_ - begin;
  }

  bool fail(const std::string& why) {
    if (problem_.empty()) problem_ = why + " at column " + std::to_string(at_ + 1);
    return false;
  }

  std::string_view line_;
  std::size_t at_ = 0;
  std::string problem_;
};

class LogReader {
 public:
  explicit LogReader(std::string_view log) : log_(log) {}

  StudyLogCheck read() {
    while (at_ < log_.size() && record()) check_.wellFormedBytes = at_;
    return std::move(check_);
  }

 private:
  bool record() {
    const auto first = next_line("a line");
    if (!first) return false;
    LineReader reader(*first);
    LogRecord record;
    const bool quarter = reader.take(">>>>>");
    if (!reader.date(record.date)) return fail(*first, reader.problem());
    if (!quarter && reader.take("ciclos de 12 horas completados: ")) return cycle(reader, *first, record);
    record.kind = quarter ? LogRecordKind::quarter : LogRecordKind::five_minute;
    return checkpoint(reader, *first, record);
  }

  bool cycle(LineReader& reader, std::string_view line, LogRecord& record) {
    record.kind = LogRecordKind::cycle;
    if (!reader.count(record.cyclesCompleted) || !reader.end()) return fail(line, reader.problem());
    const auto expected = static_cast<std::int64_t>(check_.count(LogRecordKind::cycle)) + 1;
    if (record.cyclesCompleted != expected) return fail(line, "cycle " + std::to_string(expected) + " expected");
    check_.records.push_back(std::move(record));
    return true;
  }

  bool checkpoint(LineReader& reader, std::string_view line, LogRecord& record) {
    const bool quarter = record.kind == LogRecordKind::quarter;
    if (!reader.literal(" - ") || !reader.time(record.time)) return fail(line, reader.problem());
    const auto& forms = quarter ? kQuarterForms : kFiveMinuteForms;
    const auto* form = std::find_if(std::begin(forms), std::end(forms), [&](const CheckpointForm& candidate) {
      return reader.starts_with(candidate.heading);
    });
    if (form == std::end(forms)) return fail(line, "no checkpoint heading after the time");
    reader.take(form->heading);
    std::int64_t first = 0;
    std::int64_t second = 0;
    if (!reader.count(first) || !reader.zone() || !reader.count(second) || !reader.end()) {
      return fail(line, reader.problem());
    }
    if (form->lead == Lead::neither ? first != second : first <= second) {
      return fail(line, "the counts do not fit the heading");
    }
    const std::int64_t periodBits = quarter ? kQuarterBits : kFiveMinuteBits;
    if (first + second != periodBits) {
      return fail(line,
                  "the counts add up to " + std::to_string(first + second) + ", not " + std::to_string(periodBits));
    }
    record.zeros = form->lead == Lead::ones ? second : first;
    record.ones = form->lead == Lead::ones ? first : second;
    const char* inside = quarter ? "a quarter record" : "a five-minute record";
    if (!average_line(*form, inside)) return false;
    if (quarter) {
      // The win is counted before the record is written.
      if (form->lead == Lead::zeros) ++zeroWins_;
      if (form->lead == Lead::ones) ++oneWins_;
      const std::string_view tail = form->lead == Lead::zeros ? " " : "";
      if (!global_average_line("UNO", oneWins_, tail) || !global_average_line("CERO", zeroWins_, tail)) return false;
    }
    check_.records.push_back(std::move(record));
    return true;
  }

  bool average_line(const CheckpointForm& form, const char* inside) {
    const auto line = next_line(inside);
    if (!line) return false;
    LineReader reader(*line);
    bool none = false;
    const bool shaped = form.lead == Lead::neither ? reader.literal(form.averageText) && reader.end()
                                                   : reader.literal(form.averageText) && reader.figure(none) &&
                                                         reader.literal(" ") && reader.end();
    if (!shaped) return fail(*line, reader.problem());
    // The leading side had at least one leaning pass in the period.
    if (none) return fail(*line, "the leading side's average has no value");
    return true;
  }

  bool global_average_line(std::string_view side, std::int64_t wins, std::string_view tail) {
    const auto line = next_line("a quarter record");
    if (!line) return false;
    LineReader reader(*line);
    bool none = false;
    if (!reader.literal("     Desvio medio global hacia el " + std::string(side) + " en %: ") || !reader.figure(none) ||
        !reader.literal(tail) || !reader.end()) {
      return fail(*line, reader.problem());
    }
    if (none != (wins == 0)) {
      return fail(*line, none ? "no global average although the side has won " + std::to_string(wins) + " quarters"
                              : "a global average although the side has won no quarter");
    }
    return true;
  }

  // The next line without its CR LF; nothing, with the problem kept, when
  // the log ends before one or a line breaks otherwise.
  std::optional<std::string_view> next_line(const char* inside) {
    ++lineNumber_;
    const std::size_t end = log_.find(kLineEnd, at_);
    if (end == std::string_view::npos) {
      fail(log_.substr(at_), std::string("the log ends inside ") + inside);
      return std::nullopt;
    }
    const std::string_view line = log_.substr(at_, end - at_);
    at_ = end + kLineEnd.size();
    if (line.find_first_of("\r\n") != std::string_view::npos) {
      fail(line, "a line break other than CR LF");
      return std::nullopt;
    }
    return line;
  }

  bool fail(std::string_view line, const std::string& why) {
    check_.malformed = "line " + std::to_string(lineNumber_) + ": " + why + ": \"" + std::string(line) + "\"";
    return false;
  }

  std::string_view log_;
  std::size_t at_ = 0;
  std::size_t lineNumber_ = 0;
  std::int64_t zeroWins_ = 0;
  std::int64_t oneWins_ = 0;
  StudyLogCheck check_;
};

}  // namespace

std::size_t StudyLogCheck::count(LogRecordKind kind) const {
  return static_cast<std::size_t>(
      std::count_if(records.begin(), records.end(), [&](const LogRecord& record) { return record.kind == kind; }));
}

StudyLogCheck check_study_log(std::string_view log) { return LogReader(log).read(); }

}  // namespace novabit::testing
