#pragma once
// The field's statistics of a series of trials of n fair bits each: the z of
// every trial, Stouffer's Z and chi-square with their p-values, the
// cumulative deviation with its 95 % envelope, and the always-valid
// normal-mixture boundary (Robbins 1970; Howard, Ramdas, McAuliffe and
// Sekhon 2021), which may be watched after every trial.

#include <cstdint>
#include <optional>

namespace novabit::report {

// The mixture's scale for a five-minute record's z: the boundary is
// tightest after one 12-hour cycle of them (144) at the default alpha, by
// Howard et al.'s rule tau^2 = (2 ln(1/alpha) + ln(1 + 2 ln(1/alpha))) / 144.
inline constexpr double kDefaultTau = 0.235;
inline constexpr double kDefaultAlpha = 0.05;
inline constexpr double kEnvelopeZ = 1.96;

struct BoundarySettings {
  double tau = kDefaultTau;  // for trials of a five-minute record's size
  double alpha = kDefaultAlpha;
};

// z = (k - n/2) / sqrt(n/4)
double trial_z(std::int64_t ones, std::int64_t bits);

// p-values: two-sided for a standard normal z, upper tail for chi-square.
long double normal_two_sided_p(double z);
long double chi_square_upper_p(double chiSquare, std::int64_t degreesOfFreedom);

struct SeriesStatistics {
  std::int64_t trials = 0;
  std::int64_t bitsPerTrial = 0;
  double sumZ = 0;
  double sumZSquared = 0;
  double deviation = 0;                       // the sum of k - n/2, in bits
  double envelope = 0;                        // 1.96 sqrt(N n / 4)
  double maxLogE = 0;                         // the largest log E after any trial
  std::optional<std::int64_t> firstCrossing;  // 0-based trial at which E first reached 1/alpha

  double stouffer_z() const;
  long double stouffer_p() const;
  long double chi_square_p() const;
  // Sum of (z^2 - 1): the chi-square above its expectation.
  double variance_statistic() const { return sumZSquared - static_cast<double>(trials); }
  // min(1, 1 / max E)
  long double always_valid_p() const;
};

// Takes the trials one by one, in time order.
class SeriesAccumulator {
 public:
  SeriesAccumulator(std::int64_t bitsPerTrial, BoundarySettings settings);

  void add(std::int64_t ones);
  const SeriesStatistics& statistics() const { return statistics_; }
  double last_z() const { return lastZ_; }
  // The boundary's distance of the deviation from zero, in bits, after
  // `trials` trials: where E reaches 1/alpha.
  double boundary(std::int64_t trials) const;
  double tau() const { return tau_; }

 private:
  SeriesStatistics statistics_;
  double tau_;
  double logThreshold_;
  double lastZ_ = 0;
};

// A series with the moment its boundary was first crossed: `at` names each
// trial as the caller shows it (a time, a pass).
class Series {
 public:
  Series(std::int64_t bitsPerTrial, BoundarySettings settings) : accumulator_(bitsPerTrial, settings) {}

  void add(std::int64_t ones, std::int64_t at) {
    accumulator_.add(ones);
    const SeriesStatistics& s = accumulator_.statistics();
    if (s.firstCrossing && *s.firstCrossing == s.trials - 1) crossedAt_ = at;
  }
  const SeriesStatistics& statistics() const { return accumulator_.statistics(); }
  const SeriesAccumulator& accumulator() const { return accumulator_; }
  std::optional<std::int64_t> crossed_at() const { return crossedAt_; }

 private:
  SeriesAccumulator accumulator_;
  std::optional<std::int64_t> crossedAt_;
};

// log E = -ln(1 + N tau^2) / 2 + tau^2 S^2 / (2 (1 + N tau^2)), S the sum of N z's.
double mixture_log_e(double sumZ, std::int64_t trials, double tau);

}  // namespace novabit::report
