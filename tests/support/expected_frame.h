#pragma once
// The monitor's fixed picture painted independently of the drawing code,
// straight from the screen positions and colours the layout fixes.

#include <string_view>

#include "experiment/experiment_events.h"
#include "support/picture.h"

namespace novabit::testing {

// The frame alone on a black screen, with `currentDate` in the date line.
Picture expected_frame(const RunStart& start, std::string_view currentDate);

// The side panel's labels and values; an empty value leaves its row black.
void paint_side_panel(Picture& picture, std::string_view cycles, std::string_view oneAverage, std::string_view zeroAverage);

// A filled checkpoint dot of radius 1 (a plus) or 2 (a diamond) centred on a screen pixel.
void paint_dot(Picture& picture, int x, int y, int radius, Colour colour);

}  // namespace novabit::testing
