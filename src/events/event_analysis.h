#pragma once
// The pre-registered events on the network's seconds: each event's own
// statistic over the seconds inside it, its p, and the equivalent z, and the
// events combined by Stouffer's Z of their z with the cumulative sum of z
// against its 95 % envelope, which is the formal result a network of
// stations publishes.
//   netvar    chi-square sum Z_t^2 on the event's T seconds
//   devvar    chi-square sum z^2 on its station-seconds
//   stouffer  Z = s sum Z_t / sqrt(T) with s the expected sign
// p is the upper tail of each, so one-sided for stouffer; z is the standard
// normal quantile of that upper tail.

#include <cstdint>
#include <vector>

#include "events/events_file.h"
#include "events/network_sums.h"

namespace novabit::events {

// One second of the network with at least two stations.
struct EventSecond {
  std::int64_t utc = 0;
  int stations = 0;                           // S_t
  std::int64_t deviation = 0;                 // D = sum (k - 100) over the S_t stations
  std::int64_t squaredStationDeviations = 0;  // sum (k - 100)^2 over them
};

// An event's seconds added up; the fewest and most stations of its seconds
// combine by min and max.
struct EventSums {
  NetworkSums sums;
  int fewestStations = 0;
  int mostStations = 0;
  friend bool operator==(const EventSums&, const EventSums&) = default;
};

struct EventFigures {
  Event event;
  std::int64_t seconds = 0;
  std::int64_t stationSeconds = 0;
  int fewestStations = 0;
  int mostStations = 0;
  double value = 0;                   // chi-square, or stouffer's Z with its expected sign
  std::int64_t degreesOfFreedom = 0;  // of a chi-square; 0 for stouffer
  long double p = 1;
  double z = 0;
  // The z of a chi-square whose tail lies beyond long double comes from
  // Wilson and Hilferty's cube root.
  bool approximate = false;
  double cumulativeZ = 0;  // of this event and those before it
};

struct EventsResult {
  std::vector<EventFigures> analysed;  // the events with seconds, in the order of the file
  std::vector<EventsNote> notes;       // the events without

  double stouffer_z() const;
  long double stouffer_p() const;  // upper tail: the z's point the registered way
  // 1.96 sqrt(k): the 95 % envelope of the cumulative z after k events.
  static double envelope(std::size_t events);
};

class EventsAnalysis {
 public:
  // `events` must not overlap, and must outlive the analysis.
  explicit EventsAnalysis(const std::vector<Event>& events);

  // The seconds in time order; false when a sum would overflow.
  [[nodiscard]] bool add(const EventSecond& second);
  // The sums of another time range, one per event in the order of the file;
  // false when a sum would overflow.
  [[nodiscard]] bool add(const std::vector<EventSums>& range);
  const std::vector<EventSums>& sums() const { return sums_; }
  EventsResult result() const;

 private:
  const std::vector<Event>& events_;
  std::vector<std::size_t> byStart_;
  std::size_t current_ = 0;  // into byStart_: the first event not yet over
  std::vector<EventSums> sums_;
};

}  // namespace novabit::events
