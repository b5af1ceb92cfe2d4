#pragma once
// Dates and times as the study log and the trials file write them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "textio/formatting.h"

namespace novabit::report {

// Seconds from 1970-01-01 00:00:00 of the same clock: for ordering and
// differences of local times, which carry no zone.
std::int64_t local_seconds(const LocalTime& time);
LocalTime local_time_of(std::int64_t seconds);
// How much the local zone (TZ) moves its clocks from twelve hours before the
// local time `seconds` to twelve hours after: an hour forward or back on the
// day of a daylight-saving change, else 0.
std::int64_t zone_change_near(std::int64_t seconds);
// "12-05-2026 22:10:00", as the summary and the notes show a moment.
std::string stamp_text(std::int64_t seconds);

}  // namespace novabit::report
