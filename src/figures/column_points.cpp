#include "figures/column_points.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace novabit::figures {

std::vector<Point> column_points(std::span<const double> values, double step, double to, int columns) {
  std::vector<Point> kept;
  const auto keep = [&](std::size_t i) { kept.push_back({static_cast<double>(i) * step, values[i]}); };
  if (values.size() <= static_cast<std::size_t>(columns) + 1 || !(to > 0)) {
    for (std::size_t i = 0; i < values.size(); ++i) keep(i);
    return kept;
  }
  std::array<std::size_t, 4> chosen{};  // first, lowest, highest, last of the column
  const auto keep_column = [&] {
    std::array<std::size_t, 4> order = chosen;
    std::sort(order.begin(), order.end());
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (i == 0 || order[i] != order[i - 1]) keep(order[i]);
    }
  };
  long column = -1;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const long at = std::clamp(static_cast<long>(std::floor(static_cast<double>(i) * step / to * columns)), 0L,
                               static_cast<long>(columns) - 1);
    if (at != column) {
      if (column >= 0) keep_column();
      column = at;
      chosen.fill(i);
      continue;
    }
    if (values[i] < values[chosen[1]]) chosen[1] = i;
    if (values[i] > values[chosen[2]]) chosen[2] = i;
    chosen[3] = i;
  }
  keep_column();
  return kept;
}

}  // namespace novabit::figures
