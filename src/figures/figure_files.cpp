#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <fcntl.h>

#include <charconv>
#include <cmath>
#include <memory>

#include "base/file_handles.h"
#include "base/fresh_file.h"
#include "figures/figure.h"
#include "figures/figure_drawing.h"

namespace novabit::figures {

namespace {

struct SurfaceRelease {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextRelease {
  void operator()(cairo_t* cairo) const { cairo_destroy(cairo); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceRelease>;

cairo_status_t append_bytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

Surface surface_for(FigureFormat format, const FigureSize& size, std::string& bytes) {
  switch (format) {
    case FigureFormat::svg: {
      Surface surface(cairo_svg_surface_create_for_stream(append_bytes, &bytes, size.width, size.height));
      cairo_svg_surface_set_document_unit(surface.get(), CAIRO_SVG_UNIT_PT);
      return surface;
    }
    case FigureFormat::pdf:
      return Surface(cairo_pdf_surface_create_for_stream(append_bytes, &bytes, size.width, size.height));
    case FigureFormat::png:
      break;
  }
  const double scale = kPngResolution / 72;
  return Surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(std::lround(size.width * scale)),
                                            static_cast<int>(std::lround(size.height * scale))));
}

// The bytes of the figure's file, or the reason Cairo gives.
Result<std::string> figure_bytes(const Figure& figure, FigureFormat format, const FigureSize& size) {
  std::string bytes;
  const Surface surface = surface_for(format, size, bytes);
  {
    const std::unique_ptr<cairo_t, ContextRelease> cairo(cairo_create(surface.get()));
    const double scale = format == FigureFormat::png ? kPngResolution / 72 : 1;
    cairo_scale(cairo.get(), scale, scale);
    draw_figure(cairo.get(), figure, size, scale);
    if (cairo_status(cairo.get()) != CAIRO_STATUS_SUCCESS) {
      return Failure{cairo_status_to_string(cairo_status(cairo.get())), 0};
    }
  }
  if (format == FigureFormat::png) cairo_surface_write_to_png_stream(surface.get(), append_bytes, &bytes);
  cairo_surface_finish(surface.get());
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    return Failure{cairo_status_to_string(cairo_surface_status(surface.get())), 0};
  }
  return bytes;
}

bool side_from(std::string_view text, double& side) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), side);
  return error == std::errc{} && end == text.data() + text.size() && side >= kSmallestSide && side <= kLargestSide;
}

}  // namespace

std::optional<FigureSize> parse_figure_size(const std::string& text) {
  const std::size_t by = text.find('x');
  FigureSize size;
  if (by == std::string::npos || !side_from(std::string_view(text).substr(0, by), size.width) ||
      !side_from(std::string_view(text).substr(by + 1), size.height)) {
    return std::nullopt;
  }
  return size;
}

Outcome write_figure(const Figure& figure, FigureFormat format, const FigureSize& size, const std::string& path) {
  const Result<std::string> bytes = figure_bytes(figure, format, size);
  if (!bytes) return bytes.failure().after(path + ": ");
  FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (file.get() < 0) return system_failure(path);
  if (const Outcome written = fresh_file::write_all(file.get(), *bytes, path); !written) return written;
  return file.close(path);
}

Outcome write_figures(const Figure& figure, const FigureFiles& files) {
  for (const auto& [name, format] : {std::pair{&files.png, FigureFormat::png}, std::pair{&files.svg, FigureFormat::svg},
                                     std::pair{&files.pdf, FigureFormat::pdf}}) {
    if (*name) {
      if (const Outcome written = write_figure(figure, format, files.size, **name); !written) return written;
    }
  }
  return {};
}

}  // namespace novabit::figures
