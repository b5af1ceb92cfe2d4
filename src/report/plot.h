#pragma once
// What the report's pictures are drawn with, in the screen's own operations
// and font on an 800 x 600 frame: a plot area right of a column of value
// labels, panels of pixel rows, lines and boxes in the plot's coordinates
// (points along x, values up y), and text in the screen's cells.

#include <cstddef>
#include <cstdint>
#include <string>

#include "drawing/canvas.h"
#include "drawing/frame_buffer.h"
#include "drawing/text_cells.h"

namespace novabit::report {

inline constexpr int kPlotLeft = 72;
inline constexpr int kPlotRight = 791;
inline constexpr int kCell = TextCells::kCellHeight;
inline constexpr Colour kAxisColour = 0xA0A0A0;
inline constexpr Colour kTextColour = 0xF0F0F0;
inline constexpr Colour kEnvelopeColour = 0x33CC55;
inline constexpr std::uint32_t kSolid = 0xFFFF;
inline constexpr std::uint32_t kDashed = 0xFF00;
inline constexpr std::uint32_t kDotted = 0xCCCC;

// Pixel rows of a panel, inclusive, and the value its half height shows.
struct Panel {
  int top;
  int bottom;
  double range = 1;
};

// 1, 2 or 5 times a power of ten, near a quarter of `range`.
double tick_step(double range);

class Plot {
 public:
  // `points` along the whole width.
  Plot(FrameBuffer& frame, std::size_t points);

  float x(double point) const;
  static float y(const Panel& panel, double value);
  void clip(const Panel& panel);
  void unclip();
  void line(float x1, float y1, float x2, float y2, Colour colour, std::uint32_t pattern);
  void box(float x1, float y1, float x2, float y2, Colour colour);
  void dot(float atX, float atY, Colour colour);
  // Text at a 1-based cell.
  void write(int row, int column, const std::string& bytes, Colour colour);
  // The row whose text is centred nearest `atY`.
  static int row_at(float atY);
  static int column_of(float atX);
  std::size_t points() const { return points_; }

 private:
  PenColours colours_;
  Canvas canvas_;
  TextCells text_;
  std::size_t points_;
};

// The value ticks left of a panel, each labelled by printf's `format` (say "%+8.0f").
void label_values(const Panel& panel, Plot& plot, const char* format);

// The time ticks under a panel, of `pointsPerHour` points an hour, in hours or
// beyond three days in days; `caption` holds a "%s" for the unit.
void label_time(const Panel& panel, Plot& plot, double pointsPerHour, const char* caption);

}  // namespace novabit::report
