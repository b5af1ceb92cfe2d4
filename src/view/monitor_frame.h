#pragma once
// The fixed picture of the monitor: hour scales, date line, gradient bars,
// title rows, minute tick marks, the graph area with its two bands, the
// captions with their legend dots, the half-hour grid and the reference
// lines. It is drawn at start-up and again at every CycleEnd.

#include "clocks/wall_clock.h"
#include "experiment/experiment_events.h"
#include "screen/graph_screen.h"
#include "textio/printer.h"

namespace novabit {

// Needs the whole screen as the print region, since it places text on rows
// outside the text panel. Leaves the graph area (screen x 1..721, y 30..202)
// as the viewport and origin of all later drawing, the text colours 0x00FF00
// on black, and the cursor at row 13, column 1.
void draw_monitor_frame(GraphScreen& screen, Printer& printer, const WallClock& wallClock, const RunStart& start);

}  // namespace novabit
