#pragma once
// The drawing of a figure on a Cairo context whose user unit is one point.
// Cairo's type stays out of this header's users but the figure's own files.

#include "figures/figure.h"

using cairo_t = struct _cairo;

namespace novabit::figures {

// `devicePerPoint` device units to a point: how finely curves are kept.
void draw_figure(cairo_t* cairo, const Figure& figure, const FigureSize& size, double devicePerPoint);

}  // namespace novabit::figures
