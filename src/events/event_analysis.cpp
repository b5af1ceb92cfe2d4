#include "events/event_analysis.h"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <numeric>

namespace novabit::events {

namespace {

constexpr double kEnvelopeZ = 1.96;

// Tails far beyond any double are still computed in long double, and a tail
// beyond even that gives 0 rather than an exception.
using Policy =
    boost::math::policies::policy<boost::math::policies::underflow_error<boost::math::policies::ignore_error>,
                                  boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
                                  boost::math::policies::evaluation_error<boost::math::policies::ignore_error>>;
const boost::math::normal_distribution<long double, Policy> kNormal;

long double normal_upper_p(double z) {
  return boost::math::cdf(boost::math::complement(kNormal, static_cast<long double>(z)));
}

// The chi-square's upper-tail p and its normal quantile, from the smaller of
// the two tails so that neither end loses its digits.
void chi_square_figures(double chiSquare, std::int64_t degrees, EventFigures& figures) {
  figures.value = chiSquare;
  figures.degreesOfFreedom = degrees;
  const boost::math::chi_squared_distribution<long double, Policy> distribution(static_cast<long double>(degrees));
  const auto x = static_cast<long double>(chiSquare);
  const long double upper = boost::math::cdf(boost::math::complement(distribution, x));
  const long double lower = boost::math::cdf(distribution, x);
  figures.p = upper;
  if (upper > 0 && lower > 0) {
    figures.z = static_cast<double>(upper < lower ? boost::math::quantile(boost::math::complement(kNormal, upper))
                                                  : boost::math::quantile(kNormal, lower));
    return;
  }
  const double k = static_cast<double>(degrees);
  figures.z = (std::cbrt(chiSquare / k) - (1 - 2 / (9 * k))) / std::sqrt(2 / (9 * k));
  figures.approximate = true;
}

}  // namespace

double EventsResult::stouffer_z() const {
  if (analysed.empty()) return 0;
  return analysed.back().cumulativeZ / std::sqrt(static_cast<double>(analysed.size()));
}

long double EventsResult::stouffer_p() const { return normal_upper_p(stouffer_z()); }

double EventsResult::envelope(std::size_t events) { return kEnvelopeZ * std::sqrt(static_cast<double>(events)); }

EventsAnalysis::EventsAnalysis(const std::vector<Event>& events)
    : events_(events), byStart_(events.size()), sums_(events.size()) {
  std::iota(byStart_.begin(), byStart_.end(), std::size_t{0});
  std::sort(byStart_.begin(), byStart_.end(),
            [&events](std::size_t a, std::size_t b) { return events[a].start < events[b].start; });
}

namespace {

int fewest_of(const EventSums& sums, int stations) {
  return sums.sums.byStations.empty() ? stations : std::min(sums.fewestStations, stations);
}

}  // namespace

bool EventsAnalysis::add(const EventSecond& second) {
  while (current_ < byStart_.size() && events_[byStart_[current_]].end <= second.utc) ++current_;
  if (current_ == byStart_.size() || events_[byStart_[current_]].start > second.utc) return true;
  EventSums& sums = sums_[byStart_[current_]];
  const int fewest = fewest_of(sums, second.stations);
  if (!sums.sums.add(second.stations, second.deviation, second.squaredStationDeviations)) return false;
  sums.fewestStations = fewest;
  sums.mostStations = std::max(sums.mostStations, second.stations);
  return true;
}

bool EventsAnalysis::add(const std::vector<EventSums>& range) {
  std::vector<EventSums> sums = sums_;
  for (std::size_t e = 0; e < sums.size() && e < range.size(); ++e) {
    if (range[e].sums.byStations.empty()) continue;
    sums[e].fewestStations = fewest_of(sums[e], range[e].fewestStations);
    sums[e].mostStations = std::max(sums[e].mostStations, range[e].mostStations);
    if (!sums[e].sums.add(range[e].sums)) return false;
  }
  sums_ = std::move(sums);
  return true;
}

EventsResult EventsAnalysis::result() const {
  EventsResult result;
  double cumulative = 0;
  for (std::size_t e = 0; e < events_.size(); ++e) {
    const Event& event = events_[e];
    const EventSums& sums = sums_[e];
    const std::int64_t seconds = sums.sums.seconds();
    if (seconds == 0) {
      result.notes.push_back({event.line, "event '" + event.name + "' (" + utc_text(event.start) + " to " +
                                              utc_text(event.end) +
                                              ") holds no second with at least two stations; left out"});
      continue;
    }
    EventFigures figures{event, seconds, sums.sums.stationSeconds, sums.fewestStations, sums.mostStations};
    switch (event.statistic) {
      case Statistic::netvar:
        chi_square_figures(sums.sums.sum_z_squared(), seconds, figures);
        break;
      case Statistic::devvar:
        chi_square_figures(sums.sums.sum_device_z_squared(), sums.sums.stationSeconds, figures);
        break;
      case Statistic::stouffer:
        figures.value = event.sign * sums.sums.sum_z() / std::sqrt(static_cast<double>(seconds));
        figures.z = figures.value;
        figures.p = normal_upper_p(figures.z);
        break;
    }
    cumulative += figures.z;
    figures.cumulativeZ = cumulative;
    result.analysed.push_back(std::move(figures));
  }
  return result;
}

}  // namespace novabit::events
