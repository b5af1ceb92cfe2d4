#include "figures/figure_drawing.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <span>

#include "figures/axis_ticks.h"
#include "figures/column_points.h"

namespace novabit::figures {

namespace {

// DejaVu Sans, which Debian ships in fonts-dejavu-core; sizes in points.
constexpr const char* kFont = "DejaVu Sans";
constexpr double kTickFont = 7;
constexpr double kCaptionFont = 7.5;
constexpr double kMargin = 4;
constexpr double kTickLength = 2.5;
constexpr double kPanelGap = 6;
constexpr double kLegendSample = 14;
// Ticks at least this far apart, in points.
constexpr double kTimeTickSpace = 42;
constexpr double kValueTickSpace = 16;

struct Style {
  double width;
  std::vector<double> dashes;
  double red, green, blue;
};

// Lines apart in weight and dashes first, colour only second.
Style style_of(Stroke stroke) {
  switch (stroke) {
    case Stroke::curve:
      return {1.0, {}, 0.05, 0.10, 0.40};
    case Stroke::envelope:
      return {0.7, {3, 1.5}, 0.30, 0.30, 0.30};
    case Stroke::boundary:
      return {0.7, {4, 1.2, 0.8, 1.2}, 0.60, 0.05, 0.05};
    case Stroke::run:
      return {0.5, {}, 0.45, 0.45, 0.45};
    case Stroke::cycle:
      return {0.4, {0.6, 1.4}, 0.55, 0.55, 0.55};
    case Stroke::window:
      return {0, {}, 0.86, 0.86, 0.86};
  }
  return {};
}

void set_stroke(cairo_t* cairo, Stroke stroke) {
  const Style style = style_of(stroke);
  cairo_set_source_rgb(cairo, style.red, style.green, style.blue);
  cairo_set_line_width(cairo, style.width);
  cairo_set_dash(cairo, style.dashes.data(), static_cast<int>(style.dashes.size()), 0);
}

struct LayoutRelease {
  void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};

// Text in one font, measured and drawn alike on every surface: hinting and
// whole-pixel glyph positions are off so that the PNG's glyphs stand where
// the PDF's do.
class Writer {
 public:
  Writer(cairo_t* cairo, double size) : cairo_(cairo), layout_(pango_cairo_create_layout(cairo)) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout_.get()), options);
    pango_context_set_round_glyph_positions(pango_layout_get_context(layout_.get()), FALSE);
    cairo_font_options_destroy(options);
    PangoFontDescription* font = pango_font_description_from_string(kFont);
    pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
    pango_layout_set_font_description(layout_.get(), font);
    pango_font_description_free(font);
    pango_layout_context_changed(layout_.get());
  }

  // Width and height in points.
  std::pair<double, double> measure(const std::string& text) {
    pango_layout_set_text(layout_.get(), text.c_str(), -1);
    int width = 0, height = 0;
    pango_layout_get_size(layout_.get(), &width, &height);
    return {static_cast<double>(width) / PANGO_SCALE, static_cast<double>(height) / PANGO_SCALE};
  }

  // Anchored at (x, y) by the fractions `alongX` and `alongY` of its box,
  // turned a quarter left when `upward`.
  void write(const std::string& text, double x, double y, double alongX, double alongY, bool upward = false) {
    if (text.empty()) return;
    const auto [width, height] = measure(text);
    cairo_save(cairo_);
    cairo_set_source_rgb(cairo_, 0, 0, 0);
    cairo_translate(cairo_, x, y);
    if (upward) cairo_rotate(cairo_, -M_PI / 2);
    cairo_move_to(cairo_, -alongX * width, -alongY * height);
    pango_cairo_update_layout(cairo_, layout_.get());
    pango_cairo_show_layout(cairo_, layout_.get());
    cairo_restore(cairo_);
  }

 private:
  cairo_t* cairo_;
  std::unique_ptr<PangoLayout, LayoutRelease> layout_;
};

struct Box {
  double left, top, right, bottom;
  double x(double seconds, double span) const { return left + seconds / span * (right - left); }
};

struct LegendItem {
  LegendEntry entry;
  double x, y;
};

// The legend's entries in rows across `width`, and the height they take.
double place_legend(const Figure& figure, Writer& writer, double width, std::vector<LegendItem>& items) {
  double x = kMargin, y = kMargin, rowHeight = 0;
  for (const LegendEntry& entry : figure.legend) {
    const auto [textWidth, textHeight] = writer.measure(entry.label);
    const double entryWidth = kLegendSample + 3 + textWidth;
    if (x > kMargin && x + entryWidth > width - kMargin) {
      x = kMargin;
      y += rowHeight;
    }
    items.push_back({entry, x, y});
    x += entryWidth + 8;
    rowHeight = std::max(rowHeight, textHeight);
  }
  return y + rowHeight - kMargin;
}

void draw_legend(cairo_t* cairo, const std::vector<LegendItem>& items, Writer& writer) {
  for (const LegendItem& item : items) {
    const double middle = item.y + writer.measure(item.entry.label).second / 2;
    set_stroke(cairo, item.entry.stroke);
    if (item.entry.stroke == Stroke::window) {
      cairo_rectangle(cairo, item.x, middle - 3, kLegendSample, 6);
      cairo_fill(cairo);
    } else {
      cairo_move_to(cairo, item.x, middle);
      cairo_line_to(cairo, item.x + kLegendSample, middle);
      cairo_stroke(cairo);
    }
    writer.write(item.entry.label, item.x + kLegendSample + 3, item.y, 0, 0);
  }
}

double panel_range(const Panel& panel) {
  double range = 0;
  for (const Curve& curve : panel.curves) {
    for (const double value : curve.values) range = std::max(range, std::abs(value));
  }
  for (const Point& dot : panel.dots) range = std::max(range, std::abs(dot.y));
  return std::max(range, 1.0) * 1.05;
}

void draw_contents(cairo_t* cairo, const Figure& figure, const Panel& panel, const Box& box, double devicePerPoint) {
  const double span = std::max(figure.seconds, 1.0);
  const double range = panel_range(panel);
  const auto y = [&](double value) { return (box.top + box.bottom) / 2 - value / range * (box.bottom - box.top) / 2; };
  cairo_save(cairo);
  cairo_rectangle(cairo, box.left, box.top, box.right - box.left, box.bottom - box.top);
  cairo_clip(cairo);
  set_stroke(cairo, Stroke::window);
  for (const Span& shaded : panel.shaded) {
    cairo_rectangle(cairo, box.x(shaded.from, span), box.top, box.x(shaded.to, span) - box.x(shaded.from, span),
                    box.bottom - box.top);
  }
  cairo_fill(cairo);
  cairo_set_source_rgb(cairo, 0.75, 0.75, 0.75);
  cairo_set_line_width(cairo, 0.4);
  cairo_move_to(cairo, box.left, y(0));
  cairo_line_to(cairo, box.right, y(0));
  cairo_stroke(cairo);
  for (const Mark& mark : panel.marks) {
    set_stroke(cairo, mark.stroke);
    cairo_move_to(cairo, box.x(mark.x, span), box.top);
    cairo_line_to(cairo, box.x(mark.x, span), box.bottom);
    cairo_stroke(cairo);
  }
  const int columns = std::max(1, static_cast<int>(std::ceil((box.right - box.left) * devicePerPoint)));
  for (const Curve& curve : panel.curves) {
    const std::vector<Point> shown = column_points(curve.values, curve.step, span, columns);
    set_stroke(cairo, curve.stroke);
    cairo_set_line_join(cairo, CAIRO_LINE_JOIN_ROUND);
    for (std::size_t i = 0; i < shown.size(); ++i) {
      (i == 0 ? cairo_move_to : cairo_line_to)(cairo, box.x(shown[i].x, span), y(shown[i].y));
    }
    cairo_stroke(cairo);
  }
  set_stroke(cairo, Stroke::boundary);
  for (const Point& dot : panel.dots) {
    cairo_arc(cairo, box.x(dot.x, span), y(dot.y), 1.8, 0, 2 * M_PI);
    cairo_fill(cairo);
  }
  cairo_restore(cairo);
}

void draw_value_axis(cairo_t* cairo, const Panel& panel, const Box& box, Writer& ticks, Writer& captions) {
  const double range = panel_range(panel);
  const int most = static_cast<int>((box.bottom - box.top) / kValueTickSpace);
  cairo_set_source_rgb(cairo, 0, 0, 0);
  cairo_set_line_width(cairo, 0.5);
  cairo_set_dash(cairo, nullptr, 0, 0);
  double widest = 0;
  for (const Tick& tick : value_ticks(-range, range, most)) {
    const double atY = (box.top + box.bottom) / 2 - tick.at / range * (box.bottom - box.top) / 2;
    cairo_move_to(cairo, box.left - kTickLength, atY);
    cairo_line_to(cairo, box.left, atY);
    cairo_stroke(cairo);
    ticks.write(tick.label, box.left - kTickLength - 1.5, atY, 1, 0.5);
    widest = std::max(widest, ticks.measure(tick.label).first);
  }
  captions.write(panel.valueAxis, box.left - kTickLength - 3 - widest, (box.top + box.bottom) / 2, 0.5, 1, true);
}

// The width the value labels and the value caption take left of the plots.
double value_axis_width(const Figure& figure, double panelHeight, Writer& ticks, Writer& captions) {
  double widest = 0;
  for (const Panel& panel : figure.panels) {
    const double range = panel_range(panel);
    for (const Tick& tick : value_ticks(-range, range, static_cast<int>(panelHeight / kValueTickSpace))) {
      widest = std::max(widest, ticks.measure(tick.label).first);
    }
  }
  return kTickLength + 3 + widest + captions.measure("Ag").second;
}

}  // namespace

void draw_figure(cairo_t* cairo, const Figure& figure, const FigureSize& size, double devicePerPoint) {
  // Pango otherwise loads the font configuration in threads of its own, each
  // with a heap of its own: twice the report's memory for ten years of records.
  FcInit();
  Writer ticks(cairo, kTickFont);
  Writer captions(cairo, kCaptionFont);
  cairo_set_source_rgb(cairo, 1, 1, 1);
  cairo_paint(cairo);
  std::vector<LegendItem> legend;
  const double top = kMargin + place_legend(figure, ticks, size.width, legend) + 4;
  const double lineHeight = ticks.measure("0").second;
  const double bottom = size.height - kMargin - captions.measure("Ag").second - lineHeight - kTickLength - 1;
  const auto panels = static_cast<double>(std::max<std::size_t>(figure.panels.size(), 1));
  const double panelHeight = std::max(1.0, (bottom - top - (panels - 1) * kPanelGap) / panels);
  const double left = kMargin + value_axis_width(figure, panelHeight, ticks, captions);
  const double right = size.width - kMargin - ticks.measure("00").first / 2;
  draw_legend(cairo, legend, ticks);

  const int mostTicks = static_cast<int>((right - left) / kTimeTickSpace) + 1;
  const TimeAxis time = figure.countAxis ? count_axis(figure.seconds, mostTicks) : time_axis(figure.seconds, mostTicks);
  const double span = std::max(figure.seconds, 1.0);
  Box box{left, top, right, top + panelHeight};
  for (std::size_t i = 0; i < figure.panels.size(); ++i) {
    const bool last = i + 1 == figure.panels.size();
    draw_contents(cairo, figure, figure.panels[i], box, devicePerPoint);
    cairo_set_source_rgb(cairo, 0, 0, 0);
    cairo_set_line_width(cairo, 0.5);
    cairo_set_dash(cairo, nullptr, 0, 0);
    cairo_rectangle(cairo, box.left, box.top, box.right - box.left, box.bottom - box.top);
    cairo_stroke(cairo);
    for (const Tick& tick : time.ticks) {
      const double atX = box.x(tick.at, span);
      cairo_move_to(cairo, atX, box.bottom);
      cairo_line_to(cairo, atX, box.bottom + kTickLength);
      cairo_stroke(cairo);
      if (last) ticks.write(tick.label, atX, box.bottom + kTickLength + 1, 0.5, 0);
    }
    draw_value_axis(cairo, figure.panels[i], box, ticks, captions);
    ticks.write(figure.panels[i].note, box.left + 3, box.top + 2, 0, 0);
    if (!last) box = {left, box.bottom + kPanelGap, right, box.bottom + kPanelGap + panelHeight};
  }
  const std::string unit = time.unit.empty() ? "" : " (" + time.unit + ")";
  captions.write(figure.timeAxis + unit, (left + right) / 2, size.height - kMargin, 0.5, 1);
  if (!figure.emptyNote.empty()) captions.write(figure.emptyNote, (left + right) / 2, (top + bottom) / 2, 0.5, 0.5);
}

}  // namespace novabit::figures
