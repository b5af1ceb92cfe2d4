#include "report/plot.h"

#include <algorithm>
#include <cmath>

#include "report/printf_text.h"

namespace novabit::report {

namespace {

constexpr double kHoursPerDay = 24;
// Beyond three days the time axis counts days.
constexpr double kMostHours = 72;

}  // namespace

double tick_step(double range) {
  const double raw = range / 4;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (raw <= factor * power) return factor * power;
  }
  return 10 * power;
}

Plot::Plot(FrameBuffer& frame, std::size_t points)
    : canvas_(frame, colours_), text_(frame, colours_, [] {}), points_(std::max<std::size_t>(points, 1)) {}

float Plot::x(double point) const {
  return static_cast<float>(kPlotLeft + point / static_cast<double>(points_) * (kPlotRight - kPlotLeft));
}

float Plot::y(const Panel& panel, double value) {
  return static_cast<float>((panel.top + panel.bottom) / 2.0 - value / panel.range * (panel.bottom - panel.top) / 2.0);
}

void Plot::clip(const Panel& panel) {
  canvas_.set_viewport(kPlotLeft, panel.top, kPlotRight, panel.bottom, kColourNotGiven, kAxisColour, true);
}

void Plot::unclip() {
  canvas_.set_viewport(0, 0, FrameBuffer::kWidth - 1, FrameBuffer::kHeight - 1, kColourNotGiven, kColourNotGiven, true);
}

void Plot::line(float x1, float y1, float x2, float y2, Colour colour, std::uint32_t pattern) {
  canvas_.draw_line(x1, y1, x2, y2, colour, LineShape::line, pattern);
}

void Plot::box(float x1, float y1, float x2, float y2, Colour colour) {
  canvas_.draw_line(x1, y1, x2, y2, colour, LineShape::filled_box, kSolid);
}

void Plot::dot(float atX, float atY, Colour colour) { canvas_.draw_circle(atX, atY, 3, colour, 0, true); }

void Plot::write(int row, int column, const std::string& bytes, Colour colour) {
  text_.set_colours(colour, 0);
  text_.set_position(row, std::clamp(column, 1, TextCells::kColumns));
  text_.write(bytes);
}

int Plot::row_at(float atY) { return static_cast<int>(std::lround((atY - kCell / 2.0) / kCell)) + 1; }

int Plot::column_of(float atX) { return static_cast<int>(atX) / TextCells::kCellWidth + 1; }

void label_values(const Panel& panel, Plot& plot, const char* format) {
  const double step = tick_step(panel.range);
  for (double tick = -std::floor(panel.range / step) * step; tick <= panel.range; tick += step) {
    const float atY = Plot::y(panel, tick);
    plot.line(kPlotLeft - 4, atY, kPlotLeft, atY, kAxisColour, kSolid);
    plot.write(Plot::row_at(atY), 1, std::abs(tick) < step / 2 ? "       0" : printf_text(format, tick), kTextColour);
  }
}

void label_time(const Panel& panel, Plot& plot, double pointsPerHour, const char* caption) {
  const double hours = static_cast<double>(plot.points()) / pointsPerHour;
  const bool days = hours > kMostHours;
  const double span = days ? hours / kHoursPerDay : hours;
  const double step = std::max(1.0, tick_step(span));
  for (double tick = 0; tick <= span + 1e-9; tick += step) {
    const float atX = plot.x(tick * pointsPerHour * (days ? kHoursPerDay : 1));
    plot.line(atX, static_cast<float>(panel.bottom), atX, static_cast<float>(panel.bottom + 4), kAxisColour, kSolid);
    const std::string label = printf_text("%.0f", tick);
    plot.write(panel.bottom / kCell + 2, Plot::column_of(atX) - static_cast<int>(label.size()) / 2, label, kTextColour);
  }
  const std::string text = printf_text(caption, days ? "days" : "hours");
  plot.write(36, (TextCells::kColumns - static_cast<int>(text.size())) / 2, text, kTextColour);
}

}  // namespace novabit::report
