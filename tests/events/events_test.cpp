// Pre-registered events on simulated networks of 5 and 10 stations: one
// station's hidden window (minutes 61 to 159 of the run) inside the first
// event and another's (from minute 165) outside every event. The reference
// is summed here from the raw records' rows and the window's minutes in the
// simulator's trace: z = (k - 100) / sqrt(50), Z_t = sum z / sqrt(S_t) over
// the seconds with two stations or more; a chi-square's z is checked against
// Wilson and Hilferty's cube root and its p against the normal tail of that z
// by erfc. Then the registered digest against sha256sum's, and the rows left
// out, each with its line.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "events/events_file.h"
#include "report/report_program.h"
#include "report/sealed_run.h"

namespace novabit::events {
namespace {

// Seeds 155 and 19 place their first windows at minutes 60 and 164, the rest after the run.
constexpr std::int64_t kSeeds[] = {155, 19, 8, 13, 31, 35, 39, 45, 47, 48};
constexpr std::int64_t kStart = 1796464800;  // 2026-12-05T10:00:00Z

struct Station {
  std::vector<std::pair<std::int64_t, int>> seconds;  // UTC and ones
  std::set<std::int64_t> inside;                      // UTC, of the seconds inside its window
};

// Up to ten stations from 10:00:00Z, station s for 10800 - 240 s seconds.
struct Network {
  testing::ScratchDirectory folder;
  std::vector<Station> stations;
  explicit Network(std::size_t count) {
    for (std::size_t s = 0; s < count; ++s) {
      const testing::ScratchDirectory run;
      const std::string name = folder.file("s" + std::to_string(s));
      testing::write_seal(name + ".seal", kSeeds[s], {2026, 12, 5, 10, 0, 0});
      testing::run_simulator({"--seal", name + ".seal", "--no-screen", "--quiet", "--passes", std::to_string(10800 - 240 * s),
                              "--dir", run.file(""), "--trace", run.file("t"), "--reveal-bias"});
      std::filesystem::rename(run.file(testing::kTrials), name + ".csv");
      Station& station = stations.emplace_back();
      for (const std::string& row : testing::read_raw_record(testing::file_bytes(name + ".csv")).rows) {
        std::tm utc{};
        int ones = 0;
        EXPECT_EQ(std::sscanf(row.c_str(), "%*d,%d-%d-%dT%d:%d:%dZ,%*[^,],%d", &utc.tm_year, &utc.tm_mon, &utc.tm_mday,
                              &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &ones),
                  7);
        utc.tm_year -= 1900, utc.tm_mon -= 1;
        station.seconds.emplace_back(timegm(&utc), ones);
      }
      for (const testing::TraceRow& row : testing::read_trace(run.file("t")))
        if (row.biasStartMinute < row.cycleMinute && row.cycleMinute <= row.biasStartMinute + 99)
          station.inside.insert(station.seconds.at(static_cast<std::size_t>(row.pass - 1)).first);
    }
  }
};

struct Sums {
  double seconds = 0, stationSeconds = 0, fewest = 1e9, most = 0, sumZ = 0, sumZSquared = 0, sumDeviceZSquared = 0;
};

Sums reference(const Network& network, std::size_t stations, bool outsideWindows, std::int64_t start, std::int64_t end) {
  std::map<std::int64_t, std::vector<double>> z;
  for (std::size_t s = 0; s < stations; ++s) {
    const Station& station = network.stations[s];
    for (const auto& [utc, ones] : station.seconds) {
      if (utc < start || utc >= end || (outsideWindows && station.inside.count(utc) > 0)) continue;
      z[utc].push_back((ones - 100) / std::sqrt(50.0));
    }
  }
  Sums sums;
  for (const auto& [utc, present] : z) {
    if (present.size() < 2) continue;
    double sum = 0;
    for (const double one : present) sum += one, sums.sumDeviceZSquared += one * one;
    const auto count = static_cast<double>(present.size());
    sums.fewest = std::min(sums.fewest, count);
    sums.most = std::max(sums.most, count);
    sums.seconds += 1, sums.stationSeconds += count;
    sums.sumZ += sum / std::sqrt(count);
    sums.sumZSquared += sum * sum / count;
  }
  return sums;
}

std::string sha256sum(const std::string& path) {
  std::FILE* pipe = popen(("sha256sum " + path).c_str(), "r");
  char digest[65] = {};
  EXPECT_EQ(std::fscanf(pipe, "%64s", digest), 1);
  pclose(pipe);
  return digest;
}

std::string run(const std::vector<std::string>& arguments, int status, std::string* error = nullptr) {
  std::vector<const char*> pointers{"novabit-report"};
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  std::ostringstream out, err;
  EXPECT_EQ(report::run_report(pointers, out, err), status) << err.str();
  if (error) *error = err.str();
  return out.str();
}

// Line, event, start and end as minutes after 10:00:00Z, statistic: the
// first inside one window and the second outside every window.
struct Registered {
  std::size_t line;
  std::int64_t start, end;
  Statistic statistic;
  int sign;
  const char* envelope;  // 1.96 sqrt(k) to six decimals and the line end, as the CSV gives them
};
constexpr Registered kRegistered[] = {{3, 70, 100, Statistic::netvar, 1, ",1.960000\r"},
                                      {5, 10, 40, Statistic::stouffer, -1, ",2.771859\r"},
                                      {8, 120, 150, Statistic::devvar, 1, ",3.394820\r"}};
const std::string kEvents =
    "# registered 2026-12-01\r\nname,start,end,statistic,sign\r\n"
    "window,2026-12-05T11:10:00Z,2026-12-05T11:40:00Z,netvar,\r\n"
    "overlap,2026-12-05T11:39:59Z,2026-12-05T11:45:00Z,stouffer,+\r\n"
    "quiet,2026-12-05T10:10:00Z,2026-12-05T10:40:00Z,stouffer,-\r\n"
    "next year,2027-12-05T10:10:00Z,2027-12-05T10:40:00Z,devvar,\r\n"
    "midnight,2026-12-05T24:00:00Z,2026-12-06T00:30:00Z,devvar,\r\n"
    "ending,2026-12-05T12:00:00Z,2026-12-05T12:30:00Z,devvar,\r\n";

// The first `count` stations, simulated once in each test process.
const Network& simulated(std::size_t count) {
  static std::map<std::size_t, Network> networks;
  return networks.try_emplace(count, count).first->second;
}

TEST(Events, EachAndCombinedAsSummedFromTheRawRecords) {
  const Network& network = simulated(std::size(kSeeds));
  const std::string& folder = network.folder.file("");
  testing::write_bytes(folder + "events.csv", kEvents);
  const std::string digest = sha256sum(folder + "events.csv");
  for (const std::size_t stations : {5, 10}) {
    for (const bool outside : {false, true}) {
      std::vector<std::string> arguments{"--events", folder + "events.csv", "--csv", folder + "n.csv"};
      for (std::size_t s = 0; s < stations; ++s) {
        const std::string station = folder + "s" + std::to_string(s);
        arguments.insert(arguments.end(), {"--network", station + ".csv", "--seal", station + ".seal"});
      }
      if (outside) arguments.push_back("--outside-windows");
      const std::string text = run(arguments, 0);
      SCOPED_TRACE(text);
      EXPECT_NE(text.find("Pre-registered events: " + folder + "events.csv, sha256 " + digest + "\n"), std::string::npos);
      const std::string at = "\n  " + folder + "events.csv:";
      EXPECT_NE(text.find("Notes on the events, by line" + at +
                          "4: event 'overlap' overlaps the event 'window' of line 3; left out" + at +
                          "6: event 'next year' (2027-12-05T10:10:00Z to 2027-12-05T10:40:00Z) holds no second with at "
                          "least two stations; left out" +
                          at +
                          "7: start '2026-12-05T24:00:00Z' is not a UTC time such as "
                          "2027-01-01T00:00:00Z; left out\n"),
                std::string::npos);
      std::istringstream csv(testing::file_bytes(folder + "n.events.csv"));
      std::string row;
      std::getline(csv, row);
      double cumulative = 0;
      for (const Registered& event : kRegistered) {
        ASSERT_TRUE(std::getline(csv, row));
        std::vector<double> f;  // the fields after the name, as numbers where they are
        std::istringstream fields(row);
        for (std::string field; std::getline(fields, field, ',');) f.push_back(std::strtod(field.c_str(), nullptr));
        ASSERT_EQ(f.size(), 16U) << row;
        const double value = f[10], p = f[12], z = f[13];
        const Sums sums = reference(network, stations, outside, kStart + 60 * event.start, kStart + 60 * event.end);
        EXPECT_EQ(
            (std::vector<double>{f[0], f[6], f[7], f[8], f[9]}),
            (std::vector<double>{static_cast<double>(event.line), sums.seconds, sums.fewest, sums.most, sums.stationSeconds}));
        if (event.statistic == Statistic::stouffer) {
          EXPECT_NEAR(z, event.sign * sums.sumZ / std::sqrt(sums.seconds), 1e-6) << row;
        } else {
          const double chiSquare = event.statistic == Statistic::netvar ? sums.sumZSquared : sums.sumDeviceZSquared;
          const double degrees = event.statistic == Statistic::netvar ? sums.seconds : sums.stationSeconds;
          EXPECT_NEAR(value, chiSquare, 1e-5 * chiSquare) << row;
          // Wilson and Hilferty's cube root of the chi-square.
          EXPECT_NEAR(z, (std::cbrt(chiSquare / degrees) - (1 - 2 / (9 * degrees))) / std::sqrt(2 / (9 * degrees)),
                      0.02 + 0.03 * std::abs(z))
              << row;
        }
        EXPECT_NEAR(p, std::erfc(z / std::sqrt(2.0)) / 2, 1e-6 + 1e-5 * p) << row;
        cumulative += z;
        EXPECT_NEAR(f[14], cumulative, 1e-5) << row;
        EXPECT_TRUE(row.ends_with(event.envelope)) << row;
      }
      EXPECT_FALSE(std::getline(csv, row)) << row;
      char combined[96];
      std::snprintf(combined, sizeof combined, "Stouffer Z of the 3 events' z = %.3f", cumulative / std::sqrt(3.0));
      EXPECT_NE(text.find(combined), std::string::npos) << combined;
    }
  }
}

// Five stations cut into three time ranges at 11:20 and 12:15, inside the
// events 'window' and 'ending', their partial sums given out of order: the
// report they add up to is the whole run's, to its last digit, in the text and
// in every figure of the JSON but each station's boundary. Ranges that overlap
// are refused, and sums that would pass 64 bits.
TEST(Events, TimeRangesAddUpToTheWholeRun) {
  const std::string& folder = simulated(5).folder.file("");
  testing::write_bytes(folder + "events.csv", kEvents);
  std::vector<std::string> stations{"--events", folder + "events.csv", "--outside-windows"};
  for (std::size_t s = 0; s < 5; ++s) {
    const std::string station = folder + "s" + std::to_string(s);
    stations.insert(stations.end(), {"--network", station + ".csv", "--seal", station + ".seal"});
  }
  const auto with = [&stations](std::vector<std::string> more) {
    more.insert(more.begin(), stations.begin(), stations.end());
    return more;
  };
  const std::string whole = run(with({"--json", folder + "whole.json"}), 0);
  const std::string cuts[] = {"2026-12-05T11:20:00Z", "2026-12-05T12:15:00Z"};
  run(with({"--to", cuts[0], "--partial", folder + "p1"}), 0);
  run(with({"--from", cuts[0], "--to", cuts[1], "--partial", folder + "p2"}), 0);
  run(with({"--from", cuts[1], "--partial", folder + "p3"}), 0);
  const std::string combined = run({"--combine", folder + "p3", folder + "p1", folder + "p2", "--events", folder + "events.csv",
                                    "--json", folder + "combined.json"},
                                   0);
  EXPECT_EQ(combined, whole +
                          "\nAdded up from 3 time ranges, the start to the end\nNot combinable, so not shown: each "
                          "station's always-valid boundary (max log E, first crossing), the\nper-second CSV and "
                          "the figure\n");
  nlohmann::json expected = nlohmann::json::parse(testing::file_bytes(folder + "whole.json"))["network"];
  nlohmann::json added = nlohmann::json::parse(testing::file_bytes(folder + "combined.json"))["network"];
  for (nlohmann::json& station : expected["stations"]) {
    EXPECT_GT(station["statistics"]["ln_max_e"].get<double>(), 0);
    station["statistics"].erase("ln_max_e");
    station["statistics"].erase("always_valid_p");
  }
  EXPECT_EQ(added["combined"]["ranges"], 3);
  added.erase("combined");
  EXPECT_EQ(added, expected);
  std::string error;
  run({"--combine", folder + "p1", folder + "p2", folder + "p2"}, 1, &error);
  EXPECT_EQ(error, "novabit-report: " + folder + "p2 and " + folder + "p2: their ranges overlap (" + cuts[0] + " to " + cuts[1] +
                       ", " + cuts[0] + " to " + cuts[1] + ")\n");
  nlohmann::json huge = nlohmann::json::parse(testing::file_bytes(folder + "p3"));
  huge["network"]["sum_squared_station_deviation"] = INT64_MAX;
  testing::write_bytes(folder + "p4", huge.dump());
  run({"--combine", folder + "p1", folder + "p2", folder + "p4"}, 1, &error);
  EXPECT_EQ(error, "novabit-report: " + folder + "p4: the network's sums exceed 64 bits\n") << "rather than wrap";
}

// The digest sha256sum gives, and a new one when one byte changes; rows the
// analysis would leave out fail the registration.
TEST(Events, RegisteredDigestIsTheFilesSha256) {
  const testing::ScratchDirectory folder;
  const std::string path = folder.file("events.csv");
  std::string bytes = "name,start,end,statistic,sign\nquiet,2026-12-05T10:10:00Z,2026-12-05T10:40:00Z,stouffer,-\n";
  testing::write_bytes(path, bytes);
  EXPECT_EQ(run({"--register", path}, 0), sha256sum(path) + "  " + path + "\n1 event registered\n");
  bytes[bytes.size() - 2] = '+';
  testing::write_bytes(path, bytes);
  EXPECT_EQ(run({"--register", path}, 0), sha256sum(path) + "  " + path + "\n1 event registered\n");
  testing::write_bytes(path, kEvents);
  EXPECT_EQ(run({"--register", path, "--network", path}, 2) + run({"--events", path, "x"}, 2), "") << "refused";
  EXPECT_EQ(run({"--register", path}, 1),
            sha256sum(path) + "  " + path + "\n4 events registered, 2 rows left out:\n  " + path +
                ":4: event 'overlap' overlaps the event 'window' of line 3; left out\n  " + path +
                ":7: start '2026-12-05T24:00:00Z' is not a UTC time such as 2027-01-01T00:00:00Z; left out\n");
}

// Each row after the header either an event or a note with its reason; a
// file that does not start with the header is no list of events.
TEST(Events, EachRowIsAnEventOrANoteWithItsReason) {
  const std::pair<const char*, const char*> rows[] = {
      {"a,2027-01-01T00:00:00Z,2027-01-01T01:00:00Z,netvar,", ""},
      {"\"b, \"\"c\"\"\",2027-01-01T01:00:00Z,2027-01-01T02:00:00Z,stouffer,+", ""},
      {"leap,2028-02-29T23:59:59Z,2028-03-01T00:00:00Z,devvar,", ""},
      {"\"open,2029-01-01T00:00:00Z,2029-01-01T01:00:00Z,netvar,", "a double quote out of place"},
      {"few,2029-01-01T00:00:00Z", "2 fields, not the 5 of name,start,end,statistic,sign"},
      {",2029-01-01T00:00:00Z,2029-01-01T01:00:00Z,netvar,", "an event without a name"},
      {"x\ty,2029-01-01T00:00:00Z,2029-01-01T01:00:00Z,netvar,", "a control character in the name"},
      {"x,2027-02-29T00:00:00Z,2027-03-01T00:00:00Z,netvar,",
       "start '2027-02-29T00:00:00Z' is not a UTC time such as 2027-01-01T00:00:00Z"},
      {"x,2029-01-01T00:00:00Z,2029-01-01 01:00:00,netvar,",
       "end '2029-01-01 01:00:00' is not a UTC time such as 2027-01-01T01:00:00Z"},
      {"x,2029-01-01T00:00:00Z,2029-01-01T00:00:00Z,netvar,",
       "end 2029-01-01T00:00:00Z is not after the start 2029-01-01T00:00:00Z"},
      {"x,2029-01-01T00:00:00Z,2029-01-01T01:00:00Z,median,", "statistic 'median' is none of netvar, devvar, stouffer"},
      {"x,2029-01-01T00:00:00Z,2029-01-01T01:00:00Z,stouffer,", "stouffer without its expected sign, + or -"},
      {"x,2029-01-01T00:00:00Z,2029-01-01T01:00:00Z,netvar,+", "sign '+' belongs to stouffer alone"},
      {"y,2026-12-31T23:00:00Z,2027-01-01T00:00:01Z,devvar,", "event 'y' overlaps the event 'a' of line 2"}};
  std::string text = "name,start,end,statistic,sign\n";
  for (const auto& [row, note] : rows) text += std::string(row) + "\n";
  const Result<EventsFile> file = parse_events(text, "e.csv");
  std::string kept;
  for (const Event& event : file->events) kept += event.name + "|";
  EXPECT_EQ(kept, "a|b, \"c\"|leap|");
  std::vector<std::string> notes, expected;
  for (const EventsNote& note : file->notes) notes.push_back(std::to_string(note.line) + ": " + note.message);
  for (std::size_t at = 3; at < std::size(rows); ++at)
    expected.push_back(std::to_string(at + 2) + ": " + rows[at].second + "; left out");
  EXPECT_EQ(notes, expected);
  EXPECT_EQ(parse_events("pass,utc,local,ones,alarm\r\n", "t.csv").failure().message(),
            "t.csv:1: not the header name,start,end,statistic,sign, so no list of events");
}

}  // namespace
}  // namespace novabit::events
