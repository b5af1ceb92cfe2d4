#include "report/json_summary.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "experiment/experiment_numbers.h"
#include "program/program_version.h"
#include "report/log_time.h"
#include "report/printf_text.h"

namespace novabit::report {

namespace {

using Json = nlohmann::ordered_json;

// A study log's stamps carry no zone: its moments are the station's local
// time, ISO 8601 without an offset. The raw records' are UTC.
std::string iso_time(std::int64_t seconds, bool utc) {
  LocalTime when = local_time_of(seconds);
  when.utcOffset = 0;
  std::string text = utc_text(when);
  if (!utc) text.pop_back();
  return text;
}

Json optional_time(const std::optional<std::int64_t>& seconds, bool utc) {
  return seconds ? Json(iso_time(*seconds, utc)) : Json(nullptr);
}

// The figures of one summary. A p-value below the smallest double still goes
// out with its own digits, as JSON allows (a reader that keeps doubles gets
// 0): it is carried through the tree as an unsigned number that no count
// reaches, and written in its place at the end.
class Figures {
 public:
  Json p(long double value) {
    if (value == 0 || value >= std::numeric_limits<double>::min()) return static_cast<double>(value);
    tiny_.push_back(value);
    return kCarried + (tiny_.size() - 1);
  }

  Json statistics(const SeriesStatistics& s) {
    Json json{{"trials", s.trials}, {"bits_per_trial", s.bitsPerTrial}};
    if (s.trials == 0) return json;
    json["sum_z"] = s.sumZ;
    json["stouffer_z"] = s.stouffer_z();
    json["stouffer_p"] = p(s.stouffer_p());
    json["chi_square"] = s.sumZSquared;
    json["chi_square_p"] = p(s.chi_square_p());
    json["variance"] = s.variance_statistic();
    json["deviation"] = s.deviation;
    json["envelope"] = s.envelope;
    json["ln_max_e"] = s.maxLogE;
    json["always_valid_p"] = p(s.always_valid_p());
    return json;
  }

  // Strings hold no line end, so a line that ends in a carried number is a member's.
  std::string text(const Json& json) const {
    std::istringstream lines(json.dump(2, ' ', false, Json::error_handler_t::replace));
    std::string text;
    for (std::string line; std::getline(lines, line);) {
      const std::size_t value = line.rfind(": ");
      const char* end = line.data() + line.size() - (line.ends_with(',') ? 1 : 0);
      std::uint64_t carried = 0;
      if (value != std::string::npos) {
        const auto [read, error] = std::from_chars(line.data() + value + 2, end, carried);
        if (error == std::errc() && read == end && carried >= kCarried) {
          line.replace(value + 2, static_cast<std::size_t>(end - line.data()) - value - 2,
                       printf_text("%.17Lg", tiny_.at(carried - kCarried)));
        }
      }
      text += line + "\n";
    }
    return text;
  }

 private:
  static constexpr std::uint64_t kCarried = std::uint64_t{1} << 63;
  std::vector<long double> tiny_;
};

// With the moment its boundary was first crossed: a local time, or a pass.
Json stamped_series(Figures& figures, const Series& series) {
  Json json = figures.statistics(series.statistics());
  json["first_crossing"] = optional_time(series.crossed_at(), false);
  return json;
}

Json passed_series(Figures& figures, const Series& series) {
  Json json = figures.statistics(series.statistics());
  json["first_crossing_pass"] = series.crossed_at() ? Json(*series.crossed_at()) : Json(nullptr);
  return json;
}

// In the order of their lines, as the summary shows them.
void add_notes(const std::string& file, const FileNotes& notes, Json& list) {
  std::vector<LineNote> shown = notes.shown();
  std::stable_sort(shown.begin(), shown.end(), [](const LineNote& a, const LineNote& b) { return a.line < b.line; });
  for (const LineNote& note : shown) {
    Json json{{"file", file}};
    if (note.line > 0) json["line"] = note.line;
    json["skipped"] = note.skipped;
    json["message"] = note.message;
    list.push_back(std::move(json));
  }
  if (notes.unshown() > 0) {
    list.push_back({{"file", file}, {"skipped", false}, {"message", "more problem lines"}, {"more", notes.unshown()}});
  }
}

void add_left_out(const std::vector<FileNote>& leftOut, Json& list) {
  for (const FileNote& note : leftOut)
    list.push_back({{"file", note.file}, {"skipped", false}, {"message", note.message}});
}

Json copies(const PlannedFile& read) {
  Json list = Json::array();
  for (const Copy& copy : read.copies) {
    list.push_back({{"file", copy.file}, {"first_pass", copy.firstPass}, {"last_pass", copy.lastPass}});
  }
  return list;
}

Json head(const std::vector<InputDigest>& inputs, const char* kind) {
  Json files = Json::array();
  for (const InputDigest& input : inputs) {
    files.push_back(
        {{"file", input.file}, {"role", input.role}, {"sha256", input.sha256 ? Json(*input.sha256) : Json(nullptr)}});
  }
  return {{"program", {{"name", "novabit-report"}, {"version", program_version()}}}, {"kind", kind}, {"inputs", files}};
}

Json runs(const FieldReport& report) {
  constexpr const char* kFrom[] = {"seal", "raw_record", "first_records"};
  Json list = Json::array();
  for (std::size_t r = 0; r < report.runs.size(); ++r) {
    const RunReport& run = report.runs[r];
    list.push_back({{"run", r + 1},
                    {"log", run.plan.log.file},
                    {"start", optional_time(run.start, false)},
                    {"start_from", kFrom[static_cast<int>(run.plan.startFrom)]},
                    {"placed_by", run.plan.trials ? "raw_record" : "stamps"},
                    {"five_minute_records", run.fiveMinutes},
                    {"quarter_records", run.quarters},
                    {"cycle_records", run.cycleEnds},
                    {"damaged_records", run.damaged},
                    {"skipped_lines", run.notes.skipped_lines()},
                    {"quarters_checked", run.quartersChecked},
                    {"copies", copies(run.plan.log)}});
  }
  return list;
}

Json raw_records(Figures& figures, const FieldReport& report) {
  Json list = Json::array();
  for (const TrialsReport& trials : report.trials) {
    Json cycles = Json::array();
    for (const auto& [cycle, seconds] : trials.cycles)
      cycles.push_back({{"cycle", cycle}, {"statistics", passed_series(figures, seconds)}});
    Json alarms = Json::object();
    for (const auto& [name, count] : trials.alarms) alarms[name] = count;
    list.push_back({{"file", trials.plan.file},
                    {"source", trials.plan.head.source.empty() ? Json(nullptr) : Json(trials.plan.head.source)},
                    {"run", trials.run ? Json(*trials.run + 1) : Json(nullptr)},
                    {"copies", copies(trials.plan)},
                    {"cycles", cycles},
                    {"all", passed_series(figures, trials.seconds)},
                    {"alarm_seconds", trials.alarmSeconds},
                    {"alarms", alarms}});
  }
  return list;
}

Json windows(Figures& figures, const FieldReport& report) {
  Json list = Json::array();
  for (const SealedRun& sealed : report.sealed) {
    Json cycles = Json::array();
    for (const CycleWindow& window : sealed.windows.cycles) {
      Json scan = nullptr;
      if (window.scan) {
        scan = {{"first_minute", window.scan->firstMinute},
                {"last_minute", window.scan->lastMinute},
                {"abs_z", window.scan->score},
                {"overlap_minutes", window.scan->overlapMinutes},
                {"found", window.scan->found()}};
      }
      cycles.push_back({{"cycle", window.cycle},
                        {"first_forced_minute", window.place.startMinute + 1},
                        {"last_forced_minute", window.place.startMinute + kBiasWindowMinutes},
                        {"bit", window.place.bit},
                        {"inside", figures.statistics(window.inside)},
                        {"outside", figures.statistics(window.outside)},
                        {"scan", scan}});
    }
    Json replay = nullptr;
    if (sealed.replayed)
      replay = {{"reproduced", sealed.replayed->reproduced}, {"compared", sealed.replayed->compared}};
    list.push_back({{"run", sealed.run + 1},
                    {"seal", sealed.sealFile},
                    {"proven_by", sealed.replayed ? "replay" : "key_sha256"},
                    {"replay", replay},
                    {"cycles", cycles},
                    {"inside_towards_forced_value", figures.statistics(sealed.windows.insideTowardsBit)},
                    {"scans_found", sealed.windows.scansFound},
                    {"scans", sealed.windows.scans}});
  }
  return list;
}

Json verification(const std::vector<Verification>& verified) {
  Json list = Json::array();
  for (const Verification& check : verified) {
    Json differences = Json::array();
    add_notes(check.logFile, check.logDifferences, differences);
    add_notes(check.trialsFile, check.trialsDifferences, differences);
    list.push_back({{"seal", check.sealFile},
                    {"log", check.logFile},
                    {"records", check.records},
                    {"records_reproduced", check.recordsReproduced},
                    {"raw_record", check.trialsFile.empty() ? Json(nullptr) : Json(check.trialsFile)},
                    {"seconds", check.seconds},
                    {"seconds_reproduced", check.secondsReproduced},
                    {"differences", differences}});
  }
  return list;
}

// Each event in the order of the file, and their combination; the rows
// left out go to the notes with their line.
Json events_json(Figures& figures, const EventsSummary& events, Json& notes) {
  Json analysed = Json::array();
  for (std::size_t k = 0; k < events.result.analysed.size(); ++k) {
    const events::EventFigures& e = events.result.analysed[k];
    const bool stouffer = e.event.statistic == events::Statistic::stouffer;
    analysed.push_back({{"line", e.event.line},
                        {"name", e.event.name},
                        {"start", events::utc_text(e.event.start)},
                        {"end", events::utc_text(e.event.end)},
                        {"statistic", events::statistic_name(e.event.statistic)},
                        {"sign", stouffer ? Json(e.event.sign) : Json(nullptr)},
                        {"seconds", e.seconds},
                        {"station_seconds", e.stationSeconds},
                        {"fewest_stations", e.fewestStations},
                        {"most_stations", e.mostStations},
                        {"value", e.value},
                        {"degrees_of_freedom", stouffer ? Json(nullptr) : Json(e.degreesOfFreedom)},
                        {"p", figures.p(e.p)},
                        {"z", e.z},
                        {"z_approximate", e.approximate},
                        {"cumulative_z", e.cumulativeZ},
                        {"envelope", events::EventsResult::envelope(k + 1)}});
  }
  std::vector<events::EventsNote> leftOut = events.file.notes;
  leftOut.insert(leftOut.end(), events.result.notes.begin(), events.result.notes.end());
  std::stable_sort(leftOut.begin(), leftOut.end(), [](const auto& a, const auto& b) { return a.line < b.line; });
  for (const events::EventsNote& note : leftOut) {
    notes.push_back({{"file", events.file.path}, {"line", note.line}, {"skipped", true}, {"message", note.message}});
  }
  const bool any = !analysed.empty();
  return {{"file", events.file.path},
          {"sha256", events.file.sha256},
          {"analysed", analysed},
          {"stouffer_z", any ? Json(events.result.stouffer_z()) : Json(nullptr)},
          {"stouffer_p", any ? figures.p(events.result.stouffer_p()) : Json(nullptr)}};
}

}  // namespace

std::string field_report_json(const FieldReport& report, const std::vector<Verification>& verified,
                              const std::vector<InputDigest>& inputs) {
  Figures figures;
  Json json = head(inputs, "study");
  std::int64_t quarters = 0;
  for (const RunReport& run : report.runs) quarters += run.quarters;
  Json cycles = Json::array();
  for (const CycleSummary& cycle : report.cycles) {
    cycles.push_back(
        {{"run", cycle.run + 1}, {"cycle", cycle.cycle}, {"statistics", stamped_series(figures, cycle.fiveMinutes)}});
  }
  json["study"] = {{"settings", {{"tau", report.settings.tau}, {"alpha", report.settings.alpha}}},
                   {"counts",
                    {{"runs", report.runs.size()},
                     {"cycles", report.cycles.size()},
                     {"five_minute_records", report.fiveMinutes.statistics().trials},
                     {"quarter_records", quarters}}},
                   {"runs", runs(report)},
                   {"overlaps", Json::array()},
                   {"five_minute_records", {{"cycles", cycles}, {"all", stamped_series(figures, report.fiveMinutes)}}},
                   {"quarter_records", {{"all", stamped_series(figures, report.quarters)}}},
                   {"raw_records", raw_records(figures, report)},
                   {"windows", windows(figures, report)},
                   {"verification", verification(verified)}};
  for (const Overlap& overlap : report.overlaps) {
    json["study"]["overlaps"].push_back({{"first_run", overlap.first + 1},
                                         {"second_run", overlap.second + 1},
                                         {"from", iso_time(overlap.from, false)},
                                         {"to", iso_time(overlap.to, false)}});
  }
  Json notes = Json::array();
  for (const RunReport& run : report.runs) add_notes(run.plan.log.file, run.notes, notes);
  for (const TrialsReport& trials : report.trials) add_notes(trials.plan.file, trials.notes, notes);
  add_left_out(report.leftOut, notes);
  json["notes"] = notes;
  return figures.text(json);
}

// What a report added up from time ranges covers, and what it leaves out:
// each station's boundary is no sum of the ranges'.
void add_combined(const CombinedRanges& ranges, Json& network) {
  Json gaps = Json::array();
  for (const auto& [from, to] : ranges.gaps)
    gaps.push_back({{"from", iso_time(from, true)}, {"to", iso_time(to, true)}});
  network["combined"] = {{"ranges", ranges.ranges},
                         {"from", optional_time(ranges.from, true)},
                         {"to", optional_time(ranges.to, true)},
                         {"gaps", gaps},
                         {"not_combinable", {"ln_max_e", "always_valid_p", "csv", "figure"}}};
  for (Json& station : network["stations"]) {
    station["statistics"].erase("ln_max_e");
    station["statistics"].erase("always_valid_p");
  }
}

std::string network_report_json(const NetworkReport& report, bool outsideWindows,
                                const std::vector<InputDigest>& inputs, const std::optional<EventsSummary>& events) {
  Figures figures;
  Json json = head(inputs, "network");
  Json network{{"outside_windows", outsideWindows},
               {"seconds", report.seconds},
               {"first", optional_time(report.firstUtc, true)},
               {"last", optional_time(report.lastUtc, true)},
               {"station_seconds", report.stationSeconds}};
  if (report.seconds > 0) {
    network["network_variance"] = report.network_variance();
    network["network_chi_square"] = report.sumZSquared;
    network["network_p"] = figures.p(report.network_p());
    network["envelope"] = NetworkReport::envelope(report.seconds);
  }
  if (report.stationSeconds > 0) {
    network["device_variance"] = report.device_variance();
    network["device_chi_square"] = report.sumDeviceZSquared;
    network["device_p"] = figures.p(report.device_p());
  }
  Json stations = Json::array();
  Json notes = Json::array();
  for (const NetworkStation& station : report.stations) {
    stations.push_back({{"name", station.name},
                        {"files", station.files},
                        {"seconds", station.seconds},
                        {"statistics", figures.statistics(station.series)},
                        {"health_alarms", station.healthAlarms},
                        {"late_passes", station.latePasses},
                        {"inside_windows", station.insideWindows}});
    for (std::size_t f = 0; f < station.files.size(); ++f) add_notes(station.files[f], station.notes[f], notes);
  }
  network["stations"] = stations;
  if (report.combined) add_combined(*report.combined, network);
  json["network"] = network;
  add_left_out(report.leftOut, notes);
  if (events) json["events"] = events_json(figures, *events, notes);
  json["notes"] = notes;
  return figures.text(json);
}

Outcome write_whole_file(const std::string& path, const std::string& text) {
  StdioFile file(std::fopen(path.c_str(), "wb"));
  if (!file) return system_failure(path);
  struct stat status {};
  const bool regular = fstat(fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode);
  Outcome written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size() ? close_stdio(file, path)
                                                                                        : Outcome(system_failure(path));
  // Never a device or a pipe: only what this write made is taken away.
  if (!written && regular) std::remove(path.c_str());
  return written;
}

}  // namespace novabit::report
