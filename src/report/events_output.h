#pragma once
// What the pre-registered events show: their table and combination after the
// network's summary, the same one row per event beside the network's CSV,
// and what --register prints before the events' data exist.

#include <string>
#include <string_view>

#include "base/failure.h"
#include "events/event_analysis.h"
#include "events/events_file.h"
#include "figures/figure.h"

namespace novabit::report {

inline constexpr const char* kEventsCsvHeader =
    "line,event,start,end,statistic,sign,seconds,fewest_stations,most_stations,station_seconds,value,"
    "degrees_of_freedom,p,z,cumulative_z,envelope";

std::string events_text(const events::EventsFile& file, const events::EventsResult& result);

// The digest as sha256sum prints it, the events and the notes on the rows.
std::string register_text(const events::EventsFile& file);

// Beside a network's file: network.csv gives network.events.csv, and a name
// without `extension` (".csv") gets ".events" and it added.
std::string events_path(const std::string& networkFile, std::string_view extension);

// The cumulative z of the events, one step per event in the order of the
// file, against its 95 % envelope.
figures::Figure events_figure(const events::EventsResult& result);

// A failure names the file.
Outcome write_events_csv(const events::EventsResult& result, const std::string& path);

}  // namespace novabit::report
