#include "drawing/canvas.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace novabit {
namespace {

// Far beyond the screen, yet small enough that no clipping product overflows.
constexpr double kCoordinateLimit = 1e9;
// Beyond any circle that could touch the screen; keeps the span arithmetic in range.
constexpr double kRadiusLimit = 65536;

double bounded(double value, double limit) { return std::isnan(value) ? 0.0 : std::clamp(value, -limit, limit); }

long long truncated(double value) { return static_cast<long long>(std::trunc(value)); }

enum OutCode : unsigned { left_of = 1, right_of = 2, above = 4, below = 8 };

}  // namespace

int pixel_coordinate(float value) {
  const double v = bounded(value, kCoordinateLimit);
  return static_cast<int>(v > 0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5));
}

std::uint16_t Canvas::pen(Colour colour, std::uint16_t notGiven) const {
  return colour == kColourNotGiven ? notGiven : pixel_from_colour(colour, colours_.mask);
}

Canvas::Point Canvas::screen_point(float x, float y) const {
  Point point{pixel_coordinate(x), pixel_coordinate(y)};
  if (!viewport_.screenCoordinates) {
    point.x += viewport_.x;
    point.y += viewport_.y;
  }
  return point;
}

Canvas::Bounds Canvas::clip_bounds() const {
  return {viewport_.x, viewport_.y, viewport_.x + viewport_.width - 1, viewport_.y + viewport_.height - 1};
}

void Canvas::set_viewport(int x1, int y1, int x2, int y2, Colour fill, Colour border, bool screenCoordinates) {
  if (x1 > x2) {
    std::swap(x1, x2);
  }
  if (y1 > y2) {
    std::swap(y1, y2);
  }
  // The rectangle is cut to the screen; one lying wholly outside leaves an empty viewport.
  const int left = std::clamp(x1, 0, FrameBuffer::kWidth);
  const int top = std::clamp(y1, 0, FrameBuffer::kHeight);
  viewport_.x = left;
  viewport_.y = top;
  viewport_.width = std::max(0, std::min(x2, FrameBuffer::kWidth - 1) - left + 1);
  viewport_.height = std::max(0, std::min(y2, FrameBuffer::kHeight - 1) - top + 1);
  viewport_.set = true;
  viewport_.screenCoordinates = screenCoordinates;

  const Bounds area = clip_bounds();
  if (fill != kColourNotGiven) {
    fill_box(area, pixel_from_colour(fill, colours_.mask));
    const int centreX = viewport_.width / 2;
    const int centreY = viewport_.height / 2;
    cursor_ = screenCoordinates ? GraphicsCursor{static_cast<float>(left + centreX), static_cast<float>(top + centreY)}
                                : GraphicsCursor{static_cast<float>(centreX), static_cast<float>(centreY)};
  }
  if (border != kColourNotGiven) {
    const Bounds frame{area.left - 1, area.top - 1, area.right + 1, area.bottom + 1};
    const Bounds screen{0, 0, FrameBuffer::kWidth - 1, FrameBuffer::kHeight - 1};
    outline_box(frame, screen, pixel_from_colour(border, colours_.mask));
  }
}

void Canvas::draw_line(float x1, float y1, float x2, float y2, Colour colour, LineShape shape, std::uint32_t pattern) {
  const std::uint16_t pixel = pen(colour, colours_.foreground);
  Point from = screen_point(x1, y1);
  Point to = screen_point(x2, y2);
  cursor_ = {x2, y2};
  if (shape == LineShape::line) {
    if (clip_line(from, to)) {
      draw_clipped_line(from, to, pixel, pattern & 0xFFFF);
    }
    return;
  }
  const Bounds box{std::min(from.x, to.x), std::min(from.y, to.y), std::max(from.x, to.x), std::max(from.y, to.y)};
  if (shape == LineShape::filled_box) {
    const Bounds clip = clip_bounds();
    fill_box({std::max(box.left, clip.left), std::max(box.top, clip.top), std::min(box.right, clip.right),
              std::min(box.bottom, clip.bottom)},
             pixel);
  } else {
    outline_box(box, clip_bounds(), pixel);
  }
}

bool Canvas::clip_line(Point& from, Point& to) const {
  const Bounds clip = clip_bounds();
  if (clip.left > clip.right || clip.top > clip.bottom) {
    return false;
  }
  const auto code = [&clip](Point point) {
    unsigned bits = 0;
    if (point.x < clip.left) {
      bits |= left_of;
    } else if (point.x > clip.right) {
      bits |= right_of;
    }
    if (point.y < clip.top) {
      bits |= above;
    } else if (point.y > clip.bottom) {
      bits |= below;
    }
    return bits;
  };
  // Each pass puts one end point on an edge; a line that meets the viewport
  // needs at most two passes per end point.
  for (int pass = 0; pass < 8; ++pass) {
    const unsigned fromCode = code(from);
    const unsigned toCode = code(to);
    if ((fromCode | toCode) == 0) {
      return true;
    }
    if ((fromCode & toCode) != 0) {
      return false;
    }
    const unsigned outside = fromCode != 0 ? fromCode : toCode;
    Point& moved = fromCode != 0 ? from : to;
    const long long x1 = from.x, y1 = from.y, x2 = to.x, y2 = to.y;
    // The crossing point's other coordinate as an exact quotient, truncated toward zero.
    if ((outside & (left_of | right_of)) != 0) {
      const long long edge = (outside & left_of) != 0 ? clip.left : clip.right;
      moved = {static_cast<int>(edge), static_cast<int>((y1 * (x2 - x1) + (y2 - y1) * (edge - x1)) / (x2 - x1))};
    } else {
      const long long edge = (outside & above) != 0 ? clip.top : clip.bottom;
      moved = {static_cast<int>((x1 * (y2 - y1) + (x2 - x1) * (edge - y1)) / (y2 - y1)), static_cast<int>(edge)};
    }
  }
  return false;
}

void Canvas::draw_clipped_line(Point from, Point to, std::uint16_t pixel, std::uint32_t pattern) {
  if (from.y == to.y && pattern == 0xFFFF) {
    const int left = std::min(from.x, to.x);
    frame_.fill_run(left, from.y, std::max(from.x, to.x) - left + 1, pixel);
    return;
  }
  int bit = 15;
  const auto plot = [&](int x, int y) {
    if (((pattern >> bit) & 1) != 0) {
      frame_.set_pixel(x, y, pixel);
    }
    bit = (bit + 15) % 16;
  };
  if (from.x == to.x) {
    for (int y = std::min(from.y, to.y); y <= std::max(from.y, to.y); ++y) {
      plot(from.x, y);
    }
    return;
  }
  if (from.y == to.y) {
    for (int x = std::min(from.x, to.x); x <= std::max(from.x, to.x); ++x) {
      plot(x, from.y);
    }
    return;
  }
  const int stepX = to.x > from.x ? 1 : -1;
  const int stepY = to.y > from.y ? 1 : -1;
  const int extentX = std::abs(to.x - from.x);
  const int extentY = std::abs(to.y - from.y);
  const bool alongX = extentX >= extentY;
  const int longer = alongX ? extentX : extentY;
  const int shorter = alongX ? extentY : extentX;
  int x = from.x;
  int y = from.y;
  int error = longer / 2;
  for (int count = longer + 1; count > 0; --count) {
    plot(x, y);
    error -= shorter;
    const bool sideStep = error < 0;
    if (sideStep) {
      error += longer;
    }
    if (alongX) {
      x += stepX;
      y += sideStep ? stepY : 0;
    } else {
      y += stepY;
      x += sideStep ? stepX : 0;
    }
  }
}

void Canvas::fill_box(const Bounds& box, std::uint16_t pixel) {
  if (box.left > box.right) {
    return;
  }
  for (int y = box.top; y <= box.bottom; ++y) {
    frame_.fill_run(box.left, y, box.right - box.left + 1, pixel);
  }
}

void Canvas::outline_box(const Bounds& box, const Bounds& clip, std::uint16_t pixel) {
  const int left = std::max(box.left, clip.left);
  const int right = std::min(box.right, clip.right);
  const int top = std::max(box.top, clip.top);
  const int bottom = std::min(box.bottom, clip.bottom);
  if (left > right || top > bottom) {
    return;
  }
  for (const int row : {box.top, box.bottom}) {
    if (row >= clip.top && row <= clip.bottom) {
      frame_.fill_run(left, row, right - left + 1, pixel);
    }
  }
  for (const int column : {box.left, box.right}) {
    if (column >= clip.left && column <= clip.right) {
      for (int y = top; y <= bottom; ++y) {
        frame_.set_pixel(column, y, pixel);
      }
    }
  }
}

void Canvas::draw_circle(float x, float y, float radius, Colour colour, float aspect, bool filled) {
  const std::uint16_t pixel = pen(colour, colours_.foreground);
  const Point centre = screen_point(x, y);
  cursor_ = {x, y};

  double ratio = bounded(aspect, kRadiusLimit);
  if (ratio == 0) {
    ratio = 4.0 * FrameBuffer::kHeight / (3.0 * FrameBuffer::kWidth);
  }
  double radiusX = radius;
  double radiusY = static_cast<double>(radius) * ratio;
  if (ratio > 1) {
    radiusX = radius / ratio;
    radiusY = radius;
  }
  radiusX = bounded(radiusX, kRadiusLimit);
  radiusY = bounded(radiusY, kRadiusLimit);

  long long left = truncated(centre.x - radiusX);
  long long right = truncated(centre.x + radiusX);
  long long top = centre.y;
  long long bottom = centre.y;
  draw_span(centre.y, left, right, filled || radiusY == 0, pixel);
  if (radiusY == 0) {
    return;
  }
  // Spans row by row outwards from the centre row, all numbers truncated.
  const long long a2 = truncated(radiusX * radiusX);
  const long long b2 = truncated(radiusY * radiusY);
  long long error = truncated(static_cast<double>(b2) * radiusX);
  long long dx = 2 * error;
  long long dy = 0;
  long long steps = truncated(radiusX);
  while (steps > 0) {
    if (error > 0) {
      ++bottom;
      --top;
      dy += 2 * a2;
      error -= dy;
    }
    if (error <= 0) {
      ++left;
      --right;
      --steps;
      dx -= 2 * b2;
      error += dx;
    }
    draw_span(bottom, left, right, filled, pixel);
    draw_span(top, left, right, filled, pixel);
  }
}

void Canvas::draw_span(long long row, long long left, long long right, bool filled, std::uint16_t pixel) {
  const Bounds clip = clip_bounds();
  if (row < clip.top || row > clip.bottom) {
    return;
  }
  const int y = static_cast<int>(row);
  if (filled) {
    const long long from = std::max<long long>(left, clip.left);
    const long long to = std::min<long long>(right, clip.right);
    if (from <= to) {
      frame_.fill_run(static_cast<int>(from), y, static_cast<int>(to - from + 1), pixel);
    }
    return;
  }
  for (const long long x : {left, right}) {
    if (clip.contains(x, row)) {
      frame_.set_pixel(static_cast<int>(x), y, pixel);
    }
  }
}

void Canvas::set_pixel(float x, float y, Colour colour, bool useBackground) {
  const std::uint16_t pixel = pen(colour, useBackground ? colours_.background : colours_.foreground);
  const Point point = screen_point(x, y);
  cursor_ = {x, y};
  if (clip_bounds().contains(point.x, point.y)) {
    frame_.set_pixel(point.x, point.y, pixel);
  }
}

}  // namespace novabit
