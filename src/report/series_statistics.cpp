#include "report/series_statistics.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <cmath>

#include "experiment/experiment_numbers.h"

namespace novabit::report {

namespace {

// Tails far beyond any double are still computed in long double, and a tail
// beyond even that gives 0 rather than an exception.
using Policy =
    boost::math::policies::policy<boost::math::policies::underflow_error<boost::math::policies::ignore_error>,
                                  boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
                                  boost::math::policies::evaluation_error<boost::math::policies::ignore_error>>;

}  // namespace

double trial_z(std::int64_t ones, std::int64_t bits) {
  return (static_cast<double>(ones) - static_cast<double>(bits) / 2) / std::sqrt(static_cast<double>(bits) / 4);
}

long double normal_two_sided_p(double z) {
  const boost::math::normal_distribution<long double, Policy> normal;
  return 2 * boost::math::cdf(boost::math::complement(normal, std::abs(static_cast<long double>(z))));
}

long double chi_square_upper_p(double chiSquare, std::int64_t degreesOfFreedom) {
  if (degreesOfFreedom < 1) {
    return 1;
  }
  const boost::math::chi_squared_distribution<long double, Policy> distribution(
      static_cast<long double>(degreesOfFreedom));
  return boost::math::cdf(boost::math::complement(distribution, static_cast<long double>(chiSquare)));
}

double SeriesStatistics::stouffer_z() const {
  return trials == 0 ? 0.0 : sumZ / std::sqrt(static_cast<double>(trials));
}

long double SeriesStatistics::stouffer_p() const { return trials == 0 ? 1.0L : normal_two_sided_p(stouffer_z()); }

long double SeriesStatistics::chi_square_p() const { return chi_square_upper_p(sumZSquared, trials); }

long double SeriesStatistics::always_valid_p() const {
  return maxLogE <= 0 ? 1.0L : std::exp(-static_cast<long double>(maxLogE));
}

double mixture_log_e(double sumZ, std::int64_t trials, double tau) {
  const double spread = 1 + static_cast<double>(trials) * tau * tau;
  return -0.5 * std::log(spread) + tau * tau * sumZ * sumZ / (2 * spread);
}

SeriesAccumulator::SeriesAccumulator(std::int64_t bitsPerTrial, BoundarySettings settings)
    // The same effect per bit in trials of any size.
    : tau_(settings.tau * std::sqrt(static_cast<double>(bitsPerTrial) / kFiveMinuteBits)),
      logThreshold_(std::log(1 / settings.alpha)) {
  statistics_.bitsPerTrial = bitsPerTrial;
}

void SeriesAccumulator::add(std::int64_t ones) {
  SeriesStatistics& s = statistics_;
  lastZ_ = trial_z(ones, s.bitsPerTrial);
  s.sumZ += lastZ_;
  s.sumZSquared += lastZ_ * lastZ_;
  s.deviation += static_cast<double>(ones) - static_cast<double>(s.bitsPerTrial) / 2;
  ++s.trials;
  s.envelope = kEnvelopeZ * std::sqrt(static_cast<double>(s.trials * s.bitsPerTrial) / 4);
  const double logE = mixture_log_e(s.sumZ, s.trials, tau_);
  s.maxLogE = std::max(s.maxLogE, logE);
  if (!s.firstCrossing && logE >= logThreshold_) {
    s.firstCrossing = s.trials - 1;
  }
}

double SeriesAccumulator::boundary(std::int64_t trials) const {
  const double spread = 1 + static_cast<double>(trials) * tau_ * tau_;
  const double sumZ = std::sqrt(spread / (tau_ * tau_) * (2 * logThreshold_ + std::log(spread)));
  return sumZ * std::sqrt(static_cast<double>(statistics_.bitsPerTrial) / 4);
}

}  // namespace novabit::report
