#pragma once
// The report as an 800 x 600 picture, drawn with the screen's own operations
// and font: the cumulative deviation of the five-minute records over the
// whole input with its 95 % envelope and the always-valid boundary, run
// boundaries solid and cycle boundaries dotted (every few cycles only when
// there are many), the revealed windows shaded. With a seal a second panel
// shows the deviation of the records outside the windows with its own
// envelope, which the windows' own records would squash flat in the first.

#include <filesystem>

#include "base/failure.h"
#include "drawing/colour.h"
#include "drawing/frame_buffer.h"
#include "report/field_report.h"

namespace novabit::report {

// At most this many cycle boundaries are drawn.
inline constexpr std::size_t kMostCycleLines = 60;
// Run boundaries are solid lines of this colour, cycle boundaries dotted ones
// of the other; the windows' records are shaded.
inline constexpr Colour kRunColour = 0xD0D0D0;
inline constexpr Colour kCycleColour = 0x707070;
inline constexpr Colour kWindowColour = 0x203070;

void draw_report_picture(const FieldReport& report, FrameBuffer& frame);

// A failure names the file.
Outcome write_report_picture(const FieldReport& report, const std::filesystem::path& path);

}  // namespace novabit::report
