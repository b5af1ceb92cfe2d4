#include "events/network_sums.h"

#include <cmath>

namespace novabit::events {

namespace {

bool add_to(std::int64_t& total, std::int64_t value) { return !__builtin_add_overflow(total, value, &total); }

// Adds `other` to `total` only when no sum overflows.
bool add_sums(SecondsSums& total, const SecondsSums& other) {
  SecondsSums sum = total;
  if (!add_to(sum.seconds, other.seconds) || !add_to(sum.sumDeviation, other.sumDeviation) ||
      !add_to(sum.sumSquaredDeviation, other.sumSquaredDeviation)) {
    return false;
  }
  total = sum;
  return true;
}

}  // namespace

bool NetworkSums::add(int stations, std::int64_t deviation, std::int64_t squaredStationDeviations) {
  std::int64_t squared = 0;
  std::int64_t stationSeconds = this->stationSeconds;
  std::int64_t sumSquared = sumSquaredStationDeviation;
  if (__builtin_mul_overflow(deviation, deviation, &squared) || !add_to(stationSeconds, stations) ||
      !add_to(sumSquared, squaredStationDeviations) || !add_sums(byStations[stations], {1, deviation, squared})) {
    return false;
  }
  this->stationSeconds = stationSeconds;
  sumSquaredStationDeviation = sumSquared;
  return true;
}

bool NetworkSums::add(const NetworkSums& other) {
  NetworkSums sum = *this;
  if (!add_to(sum.stationSeconds, other.stationSeconds) ||
      !add_to(sum.sumSquaredStationDeviation, other.sumSquaredStationDeviation)) {
    return false;
  }
  for (const auto& [stations, sums] : other.byStations) {
    if (!add_sums(sum.byStations[stations], sums)) return false;
  }
  *this = std::move(sum);
  return true;
}

std::int64_t NetworkSums::seconds() const {
  std::int64_t seconds = 0;
  for (const auto& [stations, sums] : byStations) seconds += sums.seconds;
  return seconds;
}

double NetworkSums::sum_z() const {
  double sum = 0;
  for (const auto& [stations, sums] : byStations) {
    sum += static_cast<double>(sums.sumDeviation) / std::sqrt(static_cast<double>(kDeviationVariance * stations));
  }
  return sum;
}

double NetworkSums::sum_z_squared() const {
  double sum = 0;
  for (const auto& [stations, sums] : byStations) {
    sum += static_cast<double>(sums.sumSquaredDeviation) / static_cast<double>(kDeviationVariance * stations);
  }
  return sum;
}

}  // namespace novabit::events
