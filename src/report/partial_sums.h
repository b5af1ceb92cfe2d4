#pragma once
// A long network study cut into time ranges computed anywhere: each range's
// exact sums written to a partial file (JSON, tagged novabit-partial-sums),
// and the partials of all ranges added up into the figures the whole run
// gives, digit for digit. What is no sum (each station's always-valid
// boundary, the per-second path) does not combine.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "events/event_analysis.h"
#include "report/network_report.h"

namespace novabit::report {

inline constexpr const char* kPartialFormat = "novabit-partial-sums";
inline constexpr int kPartialVersion = 1;
// Even a network of thousands of stations writes far less.
inline constexpr std::size_t kMaxPartialBytes = 64 << 20;

struct PartialSums {
  std::string file;  // where it was read
  std::optional<std::int64_t> from;
  std::optional<std::int64_t> to;
  bool outsideWindows = false;
  std::string eventsSha256;               // empty: made without events
  NetworkReport report;                   // its sums, stations, notes and seals left out
  std::vector<events::EventSums> events;  // one per event of the file, in its order
};

std::string partial_sums_text(const PartialSums& partial);
// Written whole or not at all: under another name first, then renamed.
Outcome write_partial_sums(const std::string& path, const PartialSums& partial);

// A failure names `file` and the reason.
Result<PartialSums> parse_partial_sums(std::string_view text, const std::string& file);
Result<PartialSums> read_partial_sums(const std::string& path);

// The partials added up; a failure names the files that do not belong
// together: made with different settings, events or stations, or with
// overlapping ranges.
Result<PartialSums> combine_partial_sums(std::vector<PartialSums> partials);

// Under a report of one time range: which seconds it counted.
std::string range_note(const std::optional<std::int64_t>& from, const std::optional<std::int64_t>& to);

// What a combined report covers and what it cannot show, a few lines.
std::string combined_text(const CombinedRanges& ranges);

}  // namespace novabit::report
