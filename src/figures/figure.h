#pragma once
// A figure for a paper, described apart from how it is drawn: one or more
// panels stacked over one time axis, each with curves, shaded spans, vertical
// marks and dots in the data's own units (x in seconds from the start, y in
// the panel's unit), and a legend. It is written as PNG, SVG or PDF by one
// drawing code, so the three never disagree.

#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"

namespace novabit::figures {

// How a line is drawn; distinct in weight and dashes, so that a figure
// printed in greyscale still tells them apart.
enum class Stroke { curve, envelope, boundary, run, cycle, window };

struct Point {
  double x = 0;  // seconds from the start of the time axis
  double y = 0;
};

// Values at equal steps: the i-th at x = i * step.
struct Curve {
  Stroke stroke = Stroke::curve;
  double step = 1;
  std::vector<double> values;
};

struct Span {
  double from = 0;
  double to = 0;
};

struct Mark {
  double x = 0;
  Stroke stroke = Stroke::run;
};

struct Panel {
  std::string valueAxis;  // the caption of the value axis, with its unit
  std::string note;       // a line at the panel's top left, or none
  std::vector<Curve> curves;
  std::vector<Span> shaded;
  std::vector<Mark> marks;
  std::vector<Point> dots;
};

struct LegendEntry {
  Stroke stroke = Stroke::curve;
  std::string label;
};

struct Figure {
  std::vector<Panel> panels;  // from the top
  std::vector<LegendEntry> legend;
  double seconds = 0;      // the span of the time axis, or the count of the items along it
  std::string timeAxis;    // the time axis's caption; the unit is added in brackets
  bool countAxis = false;  // x counts items (events) from 0, at whole numbers only
  std::string emptyNote;   // shown instead of the curves when there are none
};

// In points (1/72 inch); the default suits one column of a journal page,
// 3.5 x 2.6 inches.
struct FigureSize {
  double width = 252;
  double height = 187.2;
};

inline constexpr double kSmallestSide = 36;
inline constexpr double kLargestSide = 1000;
// The PNG's pixels per inch.
inline constexpr double kPngResolution = 300;

// "WxH" in points, each side from kSmallestSide to kLargestSide.
std::optional<FigureSize> parse_figure_size(const std::string& text);

enum class FigureFormat { png, svg, pdf };

// The figure's file in `format`; a failure names the file.
Outcome write_figure(const Figure& figure, FigureFormat format, const FigureSize& size, const std::string& path);

struct FigureFiles {
  std::optional<std::string> png;
  std::optional<std::string> svg;
  std::optional<std::string> pdf;
  FigureSize size;
};

// Each file that is named; the first failure ends it.
Outcome write_figures(const Figure& figure, const FigureFiles& files);

}  // namespace novabit::figures
