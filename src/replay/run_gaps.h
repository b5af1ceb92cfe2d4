#pragma once
// The seconds a live run skipped, as its raw record marks them: a row whose
// alarm column says "gap N" follows N seconds without a pass. A replay
// skips them too, so that its passes fall on the run's seconds and its study
// log is the run's byte for byte.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "base/failure.h"

namespace novabit {

// Pass -> the seconds skipped before it.
using RunGaps = std::map<std::int64_t, std::int64_t>;

// The N of the "gap N" in a row's alarm column, whose marks are one blank
// apart; nothing when it has none or N is no whole number of at most 31 bits.
std::optional<std::int64_t> gap_of(std::string_view alarms);

// The gaps that the rows of a raw record's text mark. Lines that are not rows
// (the head, a torn line) and marks that are no whole number of at most 31
// bits are passed over; a pass marked twice keeps its first mark.
RunGaps run_gaps_in(std::string_view text);
// The same from the file at `path`; a failure names it.
Result<RunGaps> read_run_gaps(const std::string& path);

}  // namespace novabit
