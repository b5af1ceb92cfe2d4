#pragma once
// A curve of more points than a figure can show, cut down to what it does
// show: in each device unit across, the first, lowest, highest and last of
// the points that fall in it, in their order. Drawn at that resolution the
// line looks the same, and ten years of records stay a file of kilobytes.

#include <span>
#include <vector>

#include "figures/figure.h"

namespace novabit::figures {

// The points (i * step, values[i]) over x from 0 to `to`, shown `columns`
// device units wide; a curve of at most columns + 1 points is kept whole.
std::vector<Point> column_points(std::span<const double> values, double step, double to, int columns);

}  // namespace novabit::figures
