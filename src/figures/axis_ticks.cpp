#include "figures/axis_ticks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace novabit::figures {

namespace {

struct TimeUnit {
  const char* name;
  double seconds;
  std::vector<double> steps;  // in the unit; the last unit's go on by tens
};

const std::array<TimeUnit, 6>& time_units() {
  static const std::array<TimeUnit, 6> units{{
      {"seconds", 1, {1, 2, 5, 10, 15, 30}},
      {"minutes", 60, {1, 2, 5, 10, 15, 30}},
      {"hours", 3600, {1, 2, 3, 6, 12}},
      {"days", 86400, {1, 2, 5, 10}},
      {"months of 30 days", 30 * 86400.0, {1, 2, 3, 6}},
      {"years of 365 days", 365 * 86400.0, {1, 2, 5}},
  }};
  return units;
}

double count_of(double span, double step) { return std::floor(span / step + 1e-9) + 1; }

// Minus signs that typeset as such rather than as hyphens.
std::string number_text(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, std::abs(value));
  const bool zero =
      std::all_of(text, text + std::char_traits<char>::length(text), [](char c) { return c == '0' || c == '.'; });
  return (value < 0 && !zero ? "\u2212" : "") + std::string(text);
}

}  // namespace

TimeAxis time_axis(double seconds, int most) {
  most = std::max(most, 2);
  const double span = seconds > 0 ? seconds : 1;
  const TimeUnit* unit = &time_units().back();
  double step = 0;
  for (const TimeUnit& candidate : time_units()) {
    for (const double count : candidate.steps) {
      if (step == 0 && count_of(span, count * candidate.seconds) <= most) {
        unit = &candidate;
        step = count;
      }
    }
  }
  for (double power = 10; step == 0; power *= 10) {
    for (const double count : unit->steps) {
      if (step == 0 && count_of(span, count * power * unit->seconds) <= most) step = count * power;
    }
  }
  TimeAxis axis{{}, unit->name};
  for (int i = 0; i < static_cast<int>(count_of(span, step * unit->seconds)); ++i) {
    axis.ticks.push_back({i * step * unit->seconds, number_text(i * step, 0)});
  }
  return axis;
}

std::vector<Tick> value_ticks(double low, double high, int most) {
  most = std::max(most, 2);
  const double span = std::max(high - low, 1e-300);
  const auto count = [low, high](double step) { return std::floor(high / step) - std::ceil(low / step) + 1; };
  double step = std::pow(10.0, std::floor(std::log10(span / most)));
  double finer = step;
  for (int i = 0; count(step) > most; ++i) {
    finer = step;
    step *= i % 3 == 1 ? 2.5 : 2;  // 1, 2, 5, 10, 20, 50, ...
  }
  // A tick either side of zero is worth one more than `most`.
  if (count(step) < 3 && count(finer) >= 3) step = finer;
  const int decimals = std::max(0, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
  std::vector<Tick> ticks;
  for (double k = std::ceil(low / step); k <= std::floor(high / step); ++k) {
    ticks.push_back({k * step, number_text(k * step, decimals)});
  }
  return ticks;
}

TimeAxis count_axis(double count, int most) {
  const double span = std::max(count, 1.0);
  double step = 1;
  for (int i = 0; std::floor(span / step) + 1 > std::max(most, 2); ++i) step *= i % 3 == 1 ? 2.5 : 2;
  TimeAxis axis;
  for (double at = 0; at <= span; at += step) axis.ticks.push_back({at, std::to_string(std::llround(at))});
  return axis;
}

}  // namespace novabit::figures
