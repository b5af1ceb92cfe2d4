#include "events/events_file.h"

#include <sodium.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <variant>

namespace novabit::events {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The fields of one row, or nothing when a quote is out of place.
std::optional<std::vector<std::string>> split_fields(std::string_view row) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  while (true) {
    std::string field;
    if (at < row.size() && row[at] == '"') {
      for (++at;; ++at) {
        if (at == row.size()) return std::nullopt;
        if (row[at] != '"') {
          field += row[at];
        } else if (at + 1 < row.size() && row[at + 1] == '"') {
          field += row[++at];
        } else {
          break;
        }
      }
      if (++at < row.size() && row[at] != ',') return std::nullopt;
    } else {
      for (; at < row.size() && row[at] != ','; ++at) {
        if (row[at] == '"') return std::nullopt;
        field += row[at];
      }
    }
    fields.push_back(std::move(field));
    if (at >= row.size()) return fields;
    ++at;
  }
}

std::optional<Statistic> parse_statistic(std::string_view text) {
  for (const Statistic statistic : {Statistic::netvar, Statistic::devvar, Statistic::stouffer}) {
    if (text == statistic_name(statistic)) return statistic;
  }
  return std::nullopt;
}

// The event of one row, or why the row is none.
std::variant<Event, std::string> parse_row(std::string_view row, std::size_t line) {
  const std::optional<std::vector<std::string>> fields = split_fields(row);
  if (!fields) return std::string("a double quote out of place");
  if (fields->size() != 5) return std::to_string(fields->size()) + " fields, not the 5 of " + kEventsHeader;
  const std::vector<std::string>& field = *fields;
  Event event;
  event.line = line;
  event.name = field[0];
  if (event.name.empty()) return std::string("an event without a name");
  for (const char c : event.name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::string("a control character in the name");
  }
  const std::optional<std::int64_t> start = parse_utc(field[1]), end = parse_utc(field[2]);
  if (!start) return "start '" + field[1] + "' is not a UTC time such as 2027-01-01T00:00:00Z";
  if (!end) return "end '" + field[2] + "' is not a UTC time such as 2027-01-01T01:00:00Z";
  if (*end <= *start) return "end " + field[2] + " is not after the start " + field[1];
  event.start = *start;
  event.end = *end;
  const std::optional<Statistic> statistic = parse_statistic(field[3]);
  if (!statistic) return "statistic '" + field[3] + "' is none of netvar, devvar, stouffer";
  event.statistic = *statistic;
  if (event.statistic == Statistic::stouffer) {
    if (field[4] != "+" && field[4] != "-") return "stouffer without its expected sign, + or -";
    event.sign = field[4] == "+" ? 1 : -1;
  } else if (!field[4].empty()) {
    return "sign '" + field[4] + "' belongs to stouffer alone";
  }
  return event;
}

std::string hex_sha256(std::string_view text) {
  std::array<unsigned char, crypto_hash_sha256_BYTES> digest{};
  crypto_hash_sha256(digest.data(), reinterpret_cast<const unsigned char*>(text.data()), text.size());
  std::array<char, 2 * crypto_hash_sha256_BYTES + 1> hex{};
  sodium_bin2hex(hex.data(), hex.size(), digest.data(), digest.size());
  return hex.data();
}

}  // namespace

// "2027-01-01T00:00:00Z" and no other spelling: a registered list is read
// the same way by every reader.
std::optional<std::int64_t> parse_utc(std::string_view text) {
  if (text.size() != 20 || text.substr(4, 1) != "-" || text.substr(7, 1) != "-" || text.substr(10, 1) != "T" ||
      text.substr(13, 1) != ":" || text.substr(16, 1) != ":" || text.substr(19, 1) != "Z") {
    return std::nullopt;
  }
  const auto number = [text](std::size_t at, std::size_t width) {
    int value = 0;
    for (const char digit : text.substr(at, width)) {
      if (digit < '0' || digit > '9') return -1;
      value = value * 10 + (digit - '0');
    }
    return value;
  };
  const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
  const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
  const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  if (year < 1970 || month < 0 || day < 0 || !date.ok() || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59) {
    return std::nullopt;
  }
  const std::int64_t days = std::chrono::sys_days(date).time_since_epoch().count();
  return days * 86400 + hour * 3600 + minute * 60 + second;
}

const char* statistic_name(Statistic statistic) {
  switch (statistic) {
    case Statistic::netvar:
      return "netvar";
    case Statistic::devvar:
      return "devvar";
    case Statistic::stouffer:
      return "stouffer";
  }
  return "";
}

std::string utc_text(std::int64_t utc) {
  const std::chrono::sys_seconds when{std::chrono::seconds{utc}};
  const auto day = std::chrono::floor<std::chrono::days>(when);
  const std::chrono::year_month_day date{day};
  const std::chrono::hh_mm_ss time{when - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

Result<EventsFile> parse_events(std::string_view text, std::string path) {
  EventsFile file{std::move(path), hex_sha256(text), {}, {}};
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  bool headed = false;
  // The accepted events by start: none of them overlap, so a new one can
  // overlap only its neighbours.
  std::map<std::int64_t, std::size_t> byStart;
  for (std::size_t line = 1; !text.empty(); ++line) {
    const std::size_t newline = text.find('\n');
    std::string_view row = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (row.ends_with('\r')) row.remove_suffix(1);
    if (row.empty() || row.starts_with('#')) continue;
    if (!headed) {
      if (row != kEventsHeader) {
        return Failure{
            file.path + ":" + std::to_string(line) + ": not the header " + kEventsHeader + ", so no list of events", 0};
      }
      headed = true;
      continue;
    }
    std::variant<Event, std::string> parsed = parse_row(row, line);
    if (const auto* problem = std::get_if<std::string>(&parsed)) {
      file.notes.push_back({line, *problem + "; left out"});
      continue;
    }
    Event& event = std::get<Event>(parsed);
    const auto next = byStart.lower_bound(event.start);
    std::optional<std::size_t> overlapped;
    if (next != byStart.end() && next->first < event.end) overlapped = next->second;
    if (next != byStart.begin() && file.events[std::prev(next)->second].end > event.start) {
      overlapped = std::prev(next)->second;
    }
    if (overlapped) {
      const Event& earlier = file.events[*overlapped];
      file.notes.push_back({line, "event '" + event.name + "' overlaps the event '" + earlier.name + "' of line " +
                                      std::to_string(earlier.line) + "; left out"});
      continue;
    }
    byStart.emplace(event.start, file.events.size());
    file.events.push_back(std::move(event));
  }
  if (!headed) return Failure{file.path + ": no header " + std::string(kEventsHeader) + ", so no list of events", 0};
  return file;
}

Result<EventsFile> read_events_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return system_failure(path);
  std::string text(kMaxEventsBytes + 1, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (file.bad()) return Failure{path + ": cannot be read", 0};
  text.resize(static_cast<std::size_t>(file.gcount()));
  if (text.size() > kMaxEventsBytes) return Failure{path + ": larger than 1 MiB, too large for a list of events", 0};
  return parse_events(text, path);
}

}  // namespace novabit::events
