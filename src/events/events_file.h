#pragma once
// A list of pre-registered events, fixed and published before their data
// exist: a header line "name,start,end,statistic,sign", then one event a row
// (RFC 4180 fields, a field in double quotes may hold commas), its start and
// end in UTC as 2027-01-01T00:00:00Z, the end not included, the statistic
// netvar, devvar or stouffer, and for stouffer the expected sign + or -.
// Empty lines and lines starting with # are no events. A row that is no
// event, or overlaps an earlier event, gets a note with its line and is left
// out. The file's SHA-256 is taken of exactly the bytes parsed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"

namespace novabit::events {

inline constexpr const char* kEventsHeader = "name,start,end,statistic,sign";
// A list of events is small; anything larger is some other file.
inline constexpr std::size_t kMaxEventsBytes = 1 << 20;

enum class Statistic { netvar, devvar, stouffer };

struct Event {
  std::size_t line = 0;  // from 1
  std::string name;
  std::int64_t start = 0;  // UTC seconds since 1970, included
  std::int64_t end = 0;    // not included
  Statistic statistic = Statistic::netvar;
  int sign = 1;  // for stouffer, the expected sign
};

struct EventsNote {
  std::size_t line = 0;
  std::string message;
};

struct EventsFile {
  std::string path;
  std::string sha256;         // lower-case hex, as sha256sum prints it
  std::vector<Event> events;  // in the order of the file
  std::vector<EventsNote> notes;
};

// A failure names the file: it cannot be read, is too large, or does not
// start with the header.
Result<EventsFile> read_events_file(const std::string& path);
Result<EventsFile> parse_events(std::string_view text, std::string path);

const char* statistic_name(Statistic statistic);
// "2027-01-01T00:00:00Z"
std::string utc_text(std::int64_t utc);
// UTC seconds since 1970 from "2027-01-01T00:00:00Z" and no other spelling.
std::optional<std::int64_t> parse_utc(std::string_view text);

}  // namespace novabit::events
