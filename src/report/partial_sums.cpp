#include "report/partial_sums.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>

#include "base/fresh_file.h"
#include "events/events_file.h"
#include "report/printf_text.h"

namespace novabit::report {

namespace {

using Json = nlohmann::ordered_json;

// Nothing the writer makes nests deeper; the check comes before the parser.
constexpr int kMaxDepth = 8;

Json optional_utc(const std::optional<std::int64_t>& utc) { return utc ? Json(events::utc_text(*utc)) : Json(nullptr); }

Json sums_json(const events::NetworkSums& sums) {
  Json byStations = Json::array();
  for (const auto& [stations, s] : sums.byStations) {
    byStations.push_back({{"stations", stations},
                          {"seconds", s.seconds},
                          {"sum_deviation", s.sumDeviation},
                          {"sum_squared_deviation", s.sumSquaredDeviation}});
  }
  return {{"by_stations", byStations},
          {"station_seconds", sums.stationSeconds},
          {"sum_squared_station_deviation", sums.sumSquaredStationDeviation}};
}

Json notes_json(const std::string& file, const FileNotes& notes) {
  Json shown = Json::array();
  for (const LineNote& note : notes.shown()) {
    shown.push_back({{"line", note.line}, {"skipped", note.skipped}, {"message", note.message}});
  }
  return {{"file", file}, {"notes", shown}, {"unshown", notes.unshown()}, {"skipped_lines", notes.skipped_lines()}};
}

// Why a partial is refused, thrown only inside its reading.
struct Refusal {
  std::string reason;
};

const Json& member(const Json& object, const char* name) {
  if (!object.is_object()) throw Refusal{std::string("an object is expected where ") + name + " is sought"};
  const auto found = object.find(name);
  if (found == object.end()) throw Refusal{std::string("no member ") + name};
  return *found;
}

std::int64_t whole(const Json& object, const char* name, std::int64_t least = 0) {
  const Json& value = member(object, name);
  if (!value.is_number_integer() || (value.is_number_unsigned() && value.get<std::uint64_t>() > INT64_MAX)) {
    throw Refusal{std::string(name) + " is not a whole number of 64 bits"};
  }
  const auto number = value.get<std::int64_t>();
  if (number < least) throw Refusal{std::string(name) + " is below " + std::to_string(least)};
  return number;
}

std::string text(const Json& object, const char* name) {
  const Json& value = member(object, name);
  if (!value.is_string()) throw Refusal{std::string(name) + " is not a string"};
  return value.get<std::string>();
}

bool flag(const Json& object, const char* name) {
  const Json& value = member(object, name);
  if (!value.is_boolean()) throw Refusal{std::string(name) + " is not true or false"};
  return value.get<bool>();
}

const Json& list(const Json& object, const char* name) {
  const Json& value = member(object, name);
  if (!value.is_array()) throw Refusal{std::string(name) + " is not a list"};
  return value;
}

std::optional<std::int64_t> optional_time(const Json& object, const char* name) {
  const Json& value = member(object, name);
  if (value.is_null()) return std::nullopt;
  const std::optional<std::int64_t> utc =
      value.is_string() ? events::parse_utc(value.get<std::string>()) : std::nullopt;
  if (!utc) throw Refusal{std::string(name) + " is not a UTC time such as 2027-01-01T00:00:00Z, nor null"};
  return utc;
}

events::NetworkSums read_sums(const Json& json) {
  events::NetworkSums sums;
  for (const Json& entry : list(json, "by_stations")) {
    const std::int64_t stations = whole(entry, "stations", 2);
    if (stations > std::numeric_limits<int>::max() || sums.byStations.count(static_cast<int>(stations)) > 0) {
      throw Refusal{"by_stations holds " + std::to_string(stations) + " stations twice or more than there can be"};
    }
    sums.byStations[static_cast<int>(stations)] = {whole(entry, "seconds", 1), whole(entry, "sum_deviation", INT64_MIN),
                                                   whole(entry, "sum_squared_deviation")};
  }
  sums.stationSeconds = whole(json, "station_seconds");
  sums.sumSquaredStationDeviation = whole(json, "sum_squared_station_deviation");
  return sums;
}

FileNotes read_notes(const Json& json) {
  std::vector<LineNote> shown;
  for (const Json& note : list(json, "notes")) {
    shown.push_back({static_cast<std::size_t>(whole(note, "line")), text(note, "message"), flag(note, "skipped")});
  }
  if (shown.size() > kShownNotes) throw Refusal{"more notes than are ever shown"};
  return FileNotes::restored(std::move(shown), whole(json, "unshown"), whole(json, "skipped_lines"));
}

NetworkStation read_station(const Json& json) {
  NetworkStation station;
  station.keyCommitment = text(json, "key_sha256");
  station.name = text(json, "name");
  for (const Json& file : list(json, "files")) {
    station.files.push_back(text(file, "file"));
    station.notes.push_back(read_notes(file));
  }
  if (station.files.empty()) throw Refusal{"station " + station.name + " has no file"};
  station.seconds = whole(json, "seconds");
  station.sumDeviation = whole(json, "sum_deviation", INT64_MIN);
  station.sumSquaredDeviation = whole(json, "sum_squared_deviation");
  station.healthAlarms = whole(json, "health_alarms");
  station.latePasses = whole(json, "late_passes");
  station.insideWindows = whole(json, "inside_windows");
  return station;
}

PartialSums read_partial(const Json& json) {
  if (text(json, "format") != kPartialFormat) throw Refusal{std::string("format is not ") + kPartialFormat};
  if (whole(json, "version") != kPartialVersion) {
    throw Refusal{"version " + std::to_string(whole(json, "version")) + " is not " + std::to_string(kPartialVersion)};
  }
  PartialSums partial;
  partial.from = optional_time(json, "from");
  partial.to = optional_time(json, "to");
  if (partial.from && partial.to && *partial.from >= *partial.to) throw Refusal{"the range ends before it begins"};
  partial.outsideWindows = flag(json, "outside_windows");
  const Json& digest = member(json, "events_sha256");
  if (!digest.is_null()) partial.eventsSha256 = text(json, "events_sha256");
  NetworkReport& report = partial.report;
  report.firstUtc = optional_time(json, "first");
  report.lastUtc = optional_time(json, "last");
  for (const Json& station : list(json, "stations")) report.stations.push_back(read_station(station));
  report.sums = read_sums(member(json, "network"));
  for (const Json& event : list(json, "events")) {
    const auto fewest = whole(event, "fewest_stations"), most = whole(event, "most_stations", fewest);
    if (most > std::numeric_limits<int>::max()) throw Refusal{"most_stations is more than there can be"};
    partial.events.push_back({read_sums(event), static_cast<int>(fewest), static_cast<int>(most)});
  }
  for (const Json& note : list(json, "left_out")) report.leftOut.push_back({text(note, "file"), text(note, "message")});
  return partial;
}

// The deepest nesting of brackets outside strings.
int depth_of(std::string_view text) {
  int depth = 0, deepest = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      inString = c != '"';
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

bool add_to(std::int64_t& total, std::int64_t value) { return !__builtin_add_overflow(total, value, &total); }

std::string range_text(const std::optional<std::int64_t>& from, const std::optional<std::int64_t>& to) {
  return (from ? events::utc_text(*from) : std::string("the start")) + " to " +
         (to ? events::utc_text(*to) : std::string("the end"));
}

// A file's notes in a range and in the next: each range notes the lines of
// its own rows, and every range the file's head, kept once.
FileNotes joined_notes(const FileNotes& a, const FileNotes& b) {
  std::vector<LineNote> shown = a.shown();
  std::int64_t unshown = a.unshown() + b.unshown();
  std::int64_t skipped = a.skipped_lines() + b.skipped_lines();
  for (const LineNote& note : b.shown()) {
    if (std::any_of(a.shown().begin(), a.shown().end(), [&note](const LineNote& known) {
          return known.line == note.line && known.message == note.message;
        })) {
      skipped -= note.skipped ? 1 : 0;
    } else if (shown.size() < kShownNotes) {
      shown.push_back(note);
    } else {
      ++unshown;
    }
  }
  return FileNotes::restored(std::move(shown), unshown, skipped);
}

// The seconds of `b` added to those of station `a`, the same station of another range.
Outcome add_station(NetworkStation& a, const NetworkStation& b, const std::string& file) {
  if (!add_to(a.seconds, b.seconds) || !add_to(a.sumDeviation, b.sumDeviation) ||
      !add_to(a.sumSquaredDeviation, b.sumSquaredDeviation) || !add_to(a.healthAlarms, b.healthAlarms) ||
      !add_to(a.latePasses, b.latePasses) || !add_to(a.insideWindows, b.insideWindows)) {
    return Failure{file + ": station " + b.name + "'s sums exceed 64 bits once added", 0};
  }
  for (std::size_t f = 0; f < a.notes.size(); ++f) a.notes[f] = joined_notes(a.notes[f], b.notes[f]);
  return {};
}

Outcome add_events(std::vector<events::EventSums>& total, const std::vector<events::EventSums>& range,
                   const std::string& file) {
  for (std::size_t e = 0; e < total.size(); ++e) {
    if (range[e].sums.byStations.empty()) continue;
    const bool first = total[e].sums.byStations.empty();
    if (!total[e].sums.add(range[e].sums)) return Failure{file + ": an event's sums exceed 64 bits once added", 0};
    total[e].fewestStations =
        first ? range[e].fewestStations : std::min(total[e].fewestStations, range[e].fewestStations);
    total[e].mostStations = std::max(total[e].mostStations, range[e].mostStations);
  }
  return {};
}

// Whether two partials can be added: the same settings, events and stations.
Outcome belong_together(const PartialSums& a, const PartialSums& b) {
  const std::string both = a.file + " and " + b.file + ": ";
  if (a.outsideWindows != b.outsideWindows) return Failure{both + "made with and without --outside-windows", 0};
  if (a.eventsSha256 != b.eventsSha256 || a.events.size() != b.events.size()) {
    return Failure{both + "made with different events files", 0};
  }
  const auto same = [](const NetworkStation& x, const NetworkStation& y) {
    return x.keyCommitment == y.keyCommitment && x.name == y.name && x.files.size() == y.files.size();
  };
  if (!std::equal(a.report.stations.begin(), a.report.stations.end(), b.report.stations.begin(),
                  b.report.stations.end(), same)) {
    return Failure{both + "hold different stations", 0};
  }
  return {};
}

}  // namespace

std::string partial_sums_text(const PartialSums& partial) {
  const NetworkReport& report = partial.report;
  Json stations = Json::array();
  for (const NetworkStation& station : report.stations) {
    Json files = Json::array();
    for (std::size_t f = 0; f < station.files.size(); ++f)
      files.push_back(notes_json(station.files[f], station.notes[f]));
    stations.push_back({{"key_sha256", station.keyCommitment},
                        {"name", station.name},
                        {"files", files},
                        {"seconds", station.seconds},
                        {"sum_deviation", station.sumDeviation},
                        {"sum_squared_deviation", station.sumSquaredDeviation},
                        {"health_alarms", station.healthAlarms},
                        {"late_passes", station.latePasses},
                        {"inside_windows", station.insideWindows}});
  }
  Json eventSums = Json::array();
  for (const events::EventSums& event : partial.events) {
    Json json = sums_json(event.sums);
    json["fewest_stations"] = event.fewestStations;
    json["most_stations"] = event.mostStations;
    eventSums.push_back(json);
  }
  Json leftOut = Json::array();
  for (const FileNote& note : report.leftOut) leftOut.push_back({{"file", note.file}, {"message", note.message}});
  const Json json{{"format", kPartialFormat},
                  {"version", kPartialVersion},
                  {"from", optional_utc(partial.from)},
                  {"to", optional_utc(partial.to)},
                  {"outside_windows", partial.outsideWindows},
                  {"events_sha256", partial.eventsSha256.empty() ? Json(nullptr) : Json(partial.eventsSha256)},
                  {"first", optional_utc(report.firstUtc)},
                  {"last", optional_utc(report.lastUtc)},
                  {"stations", stations},
                  {"network", sums_json(report.sums)},
                  {"events", eventSums},
                  {"left_out", leftOut}};
  return json.dump(1, '\t', false, Json::error_handler_t::replace) + "\n";
}

Outcome write_partial_sums(const std::string& path, const PartialSums& partial) {
  const std::string text = partial_sums_text(partial);
  std::string temporary = path + ".XXXXXX";
  const FileDescriptor file(mkstemp(temporary.data()));
  if (!file.valid()) return Failure{path, errno};
  Outcome written = fresh_file::write_all(file.get(), text, path);
  if (written && (fchmod(file.get(), 0644) != 0 || fsync(file.get()) != 0)) {
    written = Failure{path, errno};
  }
  if (written && std::rename(temporary.c_str(), path.c_str()) != 0) written = Failure{path, errno};
  if (!written) {
    std::remove(temporary.c_str());
    return written;
  }
  fresh_file::sync_parent_directory(path);
  return {};
}

Result<PartialSums> parse_partial_sums(std::string_view text, const std::string& file) {
  const std::string refused = file + ": not partial sums of novabit-report: ";
  if (text.size() > kMaxPartialBytes) return Failure{refused + "larger than any such file", 0};
  if (depth_of(text) > kMaxDepth) return Failure{refused + "nested deeper than any such file", 0};
  const Json json = Json::parse(text, nullptr, false);
  if (json.is_discarded()) return Failure{refused + "not JSON", 0};
  try {
    PartialSums partial = read_partial(json);
    partial.file = file;
    return partial;
  } catch (const Refusal& refusal) {
    return Failure{refused + refusal.reason, 0};
  }
}

Result<PartialSums> read_partial_sums(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Failure{path, errno};
  // Read no further than one byte past the largest partial, whatever the file holds.
  std::string text;
  std::array<char, 1 << 16> block;
  while (text.size() <= kMaxPartialBytes && in.read(block.data(), block.size()).gcount() > 0) {
    text.append(block.data(), static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) return Failure{path, errno};
  return parse_partial_sums(text, path);
}

Result<PartialSums> combine_partial_sums(std::vector<PartialSums> partials) {
  if (partials.empty()) return Failure{"--combine: no partial sums given", 0};
  std::stable_sort(partials.begin(), partials.end(), [](const PartialSums& a, const PartialSums& b) {
    return a.from.value_or(INT64_MIN) < b.from.value_or(INT64_MIN);
  });
  PartialSums total = partials.front();
  NetworkReport& report = total.report;
  CombinedRanges& ranges = report.combined.emplace();
  ranges.ranges = partials.size();
  ranges.from = partials.front().from;
  for (std::size_t p = 1; p < partials.size(); ++p) {
    const PartialSums& before = partials[p - 1];
    const PartialSums& range = partials[p];
    if (Outcome fits = belong_together(before, range); !fits) return fits.failure();
    if (!before.to || !range.from || *before.to > *range.from) {
      return Failure{before.file + " and " + range.file + ": their ranges overlap (" +
                         range_text(before.from, before.to) + ", " + range_text(range.from, range.to) + ")",
                     0};
    }
    if (*before.to < *range.from) ranges.gaps.emplace_back(*before.to, *range.from);
    if (!report.sums.add(range.report.sums)) return Failure{range.file + ": the network's sums exceed 64 bits", 0};
    for (std::size_t s = 0; s < report.stations.size(); ++s) {
      if (Outcome added = add_station(report.stations[s], range.report.stations[s], range.file); !added) {
        return added.failure();
      }
    }
    if (Outcome added = add_events(total.events, range.events, range.file); !added) return added.failure();
    if (!report.firstUtc) report.firstUtc = range.report.firstUtc;
    if (range.report.lastUtc) report.lastUtc = range.report.lastUtc;
    for (const FileNote& note : range.report.leftOut) {
      if (std::none_of(report.leftOut.begin(), report.leftOut.end(), [&note](const FileNote& known) {
            return known.file == note.file && known.message == note.message;
          })) {
        report.leftOut.push_back(note);
      }
    }
  }
  ranges.to = partials.back().to;
  total.from = ranges.from;
  total.to = ranges.to;
  derive_figures(report);
  for (NetworkStation& station : report.stations) {
    station.series = pass_series(station.seconds, station.sumDeviation, station.sumSquaredDeviation);
  }
  return total;
}

std::string range_note(const std::optional<std::int64_t>& from, const std::optional<std::int64_t>& to) {
  return "\nOnly the seconds from " + range_text(from, to) + " counted.\n";
}

std::string combined_text(const CombinedRanges& ranges) {
  std::string text =
      "\nAdded up from " + std::to_string(ranges.ranges) + " time ranges, " + range_text(ranges.from, ranges.to) + "\n";
  for (const auto& [from, to] : ranges.gaps) text += "  no range covers " + range_text(from, to) + "\n";
  text +=
      "Not combinable, so not shown: each station's always-valid boundary (max log E, first crossing), the\n"
      "per-second CSV and the figure\n";
  return text;
}

}  // namespace novabit::report
