#pragma once
// What the pre-registered events show: their table and combination after the
// network's summary, the same one row per event beside the network's CSV,
// and what --register prints before the events' data exist.

#include <string>

#include "base/failure.h"
#include "events/event_analysis.h"
#include "events/events_file.h"

namespace novabit::report {

inline constexpr const char* kEventsCsvHeader =
    "line,event,start,end,statistic,sign,seconds,fewest_stations,most_stations,station_seconds,value,"
    "degrees_of_freedom,p,z,cumulative_z,envelope";

std::string events_text(const events::EventsFile& file, const events::EventsResult& result);

// The digest as sha256sum prints it, the events and the notes on the rows.
std::string register_text(const events::EventsFile& file);

// network.csv gives network.events.csv; a name without .csv gets .events.csv added.
std::string events_csv_path(const std::string& networkCsv);

// A failure names the file.
Outcome write_events_csv(const events::EventsResult& result, const std::string& path);

}  // namespace novabit::report
