#pragma once
// The report as an 800 x 600 picture: the cumulative deviation of the
// five-minute records over the whole input with its 95 % envelope and the
// always-valid boundary, cycle and run boundaries marked, the revealed
// windows shaded; drawn with the screen's own operations and font.

#include <filesystem>

#include "report/field_report.h"
#include "screen/frame_buffer.h"
#include "textio/failure.h"

namespace novabit::report {

void draw_report_picture(const FieldReport& report, FrameBuffer& frame);

// A failure names the file.
Outcome write_report_picture(const FieldReport& report, const std::filesystem::path& path);

}  // namespace novabit::report
