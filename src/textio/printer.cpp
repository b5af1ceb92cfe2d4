#include "textio/printer.h"

#include <utility>

namespace novabit {

void Printer::print_text(int channel, std::string_view text, Separator separator) {
  if (!text.empty()) {
    put(channel, text);
  }
  separate(channel, separator);
}

void Printer::print_int(int channel, std::int32_t value, Separator separator) {
  std::string text = integer_text(value);
  if (separator == Separator::newline) {
    text += kLineEnd;
    put(channel, text);
    return;
  }
  put(channel, text);
  separate(channel, separator);
}

void Printer::begin_picture(std::string_view picture) { picture_ = parse_picture(picture); }

void Printer::print_picture_number(int channel, std::optional<double> value, Separator separator) {
  // The picture ends here: a number printed without a new begin_picture shows nothing.
  const PictureText picture = std::exchange(picture_, PictureText{});
  const std::string number = picture_number_text(picture, value);
  for (const std::string_view piece :
       {std::string_view(picture.before), std::string_view(number), std::string_view(picture.after)}) {
    if (!piece.empty()) {
      put(channel, piece);
    }
  }
  separate(channel, separator);
}

void Printer::put(int channel, std::string_view bytes) {
  // A failed write is the channel's to report; printing goes on.
  static_cast<void>(channels_.write(channel, bytes));
}

void Printer::separate(int channel, Separator separator) {
  switch (separator) {
    case Separator::none:
      break;
    case Separator::newline:
      put(channel, kLineEnd);
      break;
    case Separator::zone: {
      // A channel number beyond the table has no line; its write is refused anyway.
      const bool known = channel >= 0 && channel <= kMaxFileChannel;
      const LineState line = known ? channels_.line_state(channel) : LineState{};
      put(channel, zone_text(line.lineColumn, line.lineWidth));
      break;
    }
  }
}

}  // namespace novabit
