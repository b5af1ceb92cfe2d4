#include "report/trials_reader.h"

#include <array>
#include <charconv>
#include <optional>

#include "report/log_time.h"

namespace novabit::report {

namespace {

// The comma-separated fields of a line; false unless there are exactly `N`.
template <std::size_t N>
bool split_fields(std::string_view line, std::array<std::string_view, N>& fields) {
  for (std::size_t i = 0; i < N; ++i) {
    const std::size_t comma = line.find(',');
    if ((comma == std::string_view::npos) != (i + 1 == N)) {
      return false;
    }
    fields[i] = line.substr(0, comma);
    line = comma == std::string_view::npos ? std::string_view{} : line.substr(comma + 1);
  }
  return true;
}

std::optional<std::int64_t> whole_number(std::string_view text) {
  std::int64_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc{} || result.ptr != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

// "2026-12-07T05:32:20Z"
bool is_utc_stamp(std::string_view text) {
  constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:ddZ";
  if (text.size() != kShape.size()) {
    return false;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) {
      return false;
    }
  }
  return true;
}

// Names of lower-case letters and underscores, one blank apart.
bool is_alarm_list(std::string_view text) {
  bool nameStart = true;
  for (const char byte : text) {
    if (byte == ' ') {
      if (nameStart) {
        return false;
      }
      nameStart = true;
    } else if ((byte >= 'a' && byte <= 'z') || byte == '_') {
      nameStart = false;
    } else {
      return false;
    }
  }
  return !nameStart || text.empty();
}

// The reason the line is not a pass, or nothing when `second` holds it.
std::optional<std::string> parse_second(std::string_view line, TrialSecond& second) {
  std::array<std::string_view, 5> fields;
  if (!split_fields(line, fields)) {
    return "not a line of five fields";
  }
  const std::optional<std::int64_t> pass = whole_number(fields[0]);
  const std::optional<std::int64_t> ones = whole_number(fields[3]);
  const std::optional<LocalTime> date = parse_date_text(fields[2].substr(0, 10));
  const std::optional<LocalTime> local =
      date && fields[2].size() == 19 && fields[2][10] == ' ' ? parse_time_text(fields[2].substr(11), *date)
                                                             : std::nullopt;
  if (!pass || *pass < 1) {
    return "no pass number";
  }
  if (!is_utc_stamp(fields[1]) || !local) {
    return "no UTC or local time";
  }
  if (!ones || *ones > kBitsPerPass) {
    return "no count of ones from 0 to " + std::to_string(kBitsPerPass);
  }
  if (!is_alarm_list(fields[4])) {
    return "no list of health alarms";
  }
  second = {*pass, *local, static_cast<std::int32_t>(*ones), !fields[4].empty(), 0};
  return std::nullopt;
}

void count_alarms(std::string_view list, std::map<std::string, std::int64_t>& alarms) {
  while (!list.empty()) {
    const std::size_t blank = list.find(' ');
    ++alarms[std::string(list.substr(0, blank))];
    list = blank == std::string_view::npos ? std::string_view{} : list.substr(blank + 1);
  }
}

}  // namespace

TrialsContents read_trials(std::string_view text) {
  TrialsContents contents;
  LineSplitter lines(text);
  std::string_view line;
  bool torn = false;
  bool headerSeen = false;
  while (lines.next(line, torn)) {
    const std::size_t number = lines.number();
    if (torn) {
      contents.notes.push_back({number, "a torn last line: it has no line end", true});
      break;
    }
    if (!headerSeen) {
      if (line == kTrialsColumns) {
        headerSeen = true;
      } else if (const std::string sourceLine = std::string(kTrialsComment).append(kTrialsSource).append("=");
                 line.starts_with(sourceLine)) {
        contents.source = std::string(line.substr(sourceLine.size()));
      } else if (!line.starts_with(kTrialsComment.front())) {
        contents.notes.push_back(
            {number, "neither a comment nor the header \"" + std::string(kTrialsColumns) + "\"", true});
      }
      continue;
    }
    TrialSecond second;
    if (const std::optional<std::string> problem = parse_second(line, second)) {
      contents.notes.push_back({number, *problem, true});
      continue;
    }
    if (!contents.seconds.empty() && second.pass != contents.seconds.back().pass + 1) {
      contents.notes.push_back({number,
                                "pass " + std::to_string(second.pass) + " follows pass " +
                                    std::to_string(contents.seconds.back().pass),
                                false});
    }
    second.line = number;
    count_alarms(line.substr(line.rfind(',') + 1), contents.alarms);
    contents.seconds.push_back(second);
  }
  if (!headerSeen) {
    contents.notes.push_back({lines.number(), "no header line \"" + std::string(kTrialsColumns) + "\"", false});
  }
  return contents;
}

}  // namespace novabit::report
