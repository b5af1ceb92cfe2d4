#include "figures/column_points.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace novabit::figures {

std::vector<Point> column_points(std::span<const Point> points, double from, double to, int columns) {
  if (points.size() <= static_cast<std::size_t>(columns) + 1 || !(to > from)) {
    return {points.begin(), points.end()};
  }
  std::vector<Point> kept;
  std::array<std::size_t, 4> chosen{};  // first, lowest, highest, last of the column
  long column = -1;
  const auto keep = [&] {
    std::array<std::size_t, 4> order = chosen;
    std::sort(order.begin(), order.end());
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (i == 0 || order[i] != order[i - 1]) kept.push_back(points[order[i]]);
    }
  };
  for (std::size_t i = 0; i < points.size(); ++i) {
    const long at = std::clamp(static_cast<long>(std::floor((points[i].x - from) / (to - from) * columns)), 0L,
                               static_cast<long>(columns) - 1);
    if (at != column) {
      if (column >= 0) keep();
      column = at;
      chosen.fill(i);
      continue;
    }
    if (points[i].y < points[chosen[1]].y) chosen[1] = i;
    if (points[i].y > points[chosen[2]].y) chosen[2] = i;
    chosen[3] = i;
  }
  keep();
  return kept;
}

}  // namespace novabit::figures
