#pragma once
// The network's seconds added up exactly, in whole numbers: with d = k - 100
// of each station's pass of 200 bits and D = sum d over the S stations of a
// second, z = d / sqrt(50) and Z = D / sqrt(50 S). The sums are kept per
// number of stations, so that a study cut anywhere into time ranges adds up
// to the very digits of the whole, and the doubles are derived once, at the end.

#include <cstdint>
#include <map>

namespace novabit::events {

// The variance of d for a pass of 200 fair bits.
inline constexpr std::int64_t kDeviationVariance = 50;

// The seconds with the same number of stations.
struct SecondsSums {
  std::int64_t seconds = 0;
  std::int64_t sumDeviation = 0;         // of D
  std::int64_t sumSquaredDeviation = 0;  // of D^2
  friend bool operator==(const SecondsSums&, const SecondsSums&) = default;
};

struct NetworkSums {
  std::map<int, SecondsSums> byStations;
  std::int64_t stationSeconds = 0;
  std::int64_t sumSquaredStationDeviation = 0;  // of d^2 over the station-seconds

  // One second of `stations` stations; false, and nothing added, when a sum
  // would overflow.
  [[nodiscard]] bool add(int stations, std::int64_t deviation, std::int64_t squaredStationDeviations);
  // Another range's sums; false, and nothing added, when a sum would overflow.
  [[nodiscard]] bool add(const NetworkSums& other);

  std::int64_t seconds() const;
  double sum_z() const;          // of Z
  double sum_z_squared() const;  // of Z^2
  double sum_device_z_squared() const {
    return static_cast<double>(sumSquaredStationDeviation) / static_cast<double>(kDeviationVariance);
  }
  friend bool operator==(const NetworkSums&, const NetworkSums&) = default;
};

}  // namespace novabit::events
