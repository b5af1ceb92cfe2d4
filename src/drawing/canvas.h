#pragma once
// Lines, boxes, filled circles and single pixels on the work page, clipped
// to and offset by the viewport. Every call marks exactly the pixel rows it
// wrote and converts its colour once.

#include <cstdint>

#include "drawing/colour.h"
#include "drawing/frame_buffer.h"

namespace novabit {

// The colours shared by drawing and text, as pixel values.
struct PenColours {
  std::uint32_t mask = 0xFFFF;
  std::uint16_t foreground = 0xFFFF;
  std::uint16_t background = 0;
};

// The clipping rectangle of all drawing; with `screenCoordinates` clear its
// top-left corner is also the origin of drawing coordinates.
struct Viewport {
  int x = 0;
  int y = 0;
  int width = FrameBuffer::kWidth;
  int height = FrameBuffer::kHeight;
  bool set = false;
  bool screenCoordinates = false;
};

// The last point drawn, in the caller's coordinates.
struct GraphicsCursor {
  float x = 0;
  float y = 0;
};

enum class LineShape { line = 0, box = 1, filled_box = 2 };

// A drawing coordinate as a pixel number: halves round away from zero.
int pixel_coordinate(float value);

class Canvas {
 public:
  Canvas(FrameBuffer& frame, PenColours& colours) : frame_(frame), colours_(colours) {}

  // Corners in screen pixels, both inclusive, in any order. ColourNotGiven
  // as fill or border draws no fill or border.
  void set_viewport(int x1, int y1, int x2, int y2, Colour fill, Colour border, bool screenCoordinates);
  void draw_line(float x1, float y1, float x2, float y2, Colour colour, LineShape shape, std::uint32_t pattern);
  // The whole ellipse; aspect 0 is the screen's own, which is 1 here.
  void draw_circle(float x, float y, float radius, Colour colour, float aspect, bool filled);
  // ColourNotGiven means the foreground, or with `useBackground` the background.
  void set_pixel(float x, float y, Colour colour, bool useBackground);

  const Viewport& viewport() const { return viewport_; }
  GraphicsCursor cursor() const { return cursor_; }

 private:
  struct Point {
    int x;
    int y;
  };
  // Inclusive pixel bounds.
  struct Bounds {
    int left;
    int top;
    int right;
    int bottom;
    bool contains(long long x, long long y) const { return x >= left && x <= right && y >= top && y <= bottom; }
  };

  std::uint16_t pen(Colour colour, std::uint16_t notGiven) const;
  Point screen_point(float x, float y) const;
  Bounds clip_bounds() const;
  bool clip_line(Point& from, Point& to) const;
  void draw_clipped_line(Point from, Point to, std::uint16_t pixel, std::uint32_t pattern);
  void fill_box(const Bounds& box, std::uint16_t pixel);
  void outline_box(const Bounds& box, const Bounds& clip, std::uint16_t pixel);
  void draw_span(long long row, long long left, long long right, bool filled, std::uint16_t pixel);

  FrameBuffer& frame_;
  PenColours& colours_;
  Viewport viewport_;
  GraphicsCursor cursor_;
};

}  // namespace novabit
