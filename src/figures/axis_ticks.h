#pragma once
// Where an axis's ticks go and what they say: values at 1, 2 or 5 times a
// power of ten, and time at a whole number of seconds, minutes, hours, days,
// months of 30 days or years of 365 days, labelled in that unit.

#include <string>
#include <vector>

namespace novabit::figures {

struct Tick {
  double at = 0;
  std::string label;
};

struct TimeAxis {
  std::vector<Tick> ticks;  // at seconds from the start
  std::string unit;         // "hours", "days", ...
};

// At most `most` ticks (two or more) from 0 to `seconds`.
TimeAxis time_axis(double seconds, int most);

// At most `most` ticks (two or more) from `low` to `high`, negative labels
// with a minus sign.
std::vector<Tick> value_ticks(double low, double high, int most);

// At most `most` ticks from 0 to `count` items, at whole numbers, without a unit.
TimeAxis count_axis(double count, int most);

}  // namespace novabit::figures
