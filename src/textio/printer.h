#pragma once
// The print statements: items with their separators, on one channel.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "textio/channels.h"
#include "textio/formatting.h"

namespace novabit {

class Printer {
 public:
  explicit Printer(ChannelTable& channels) : channels_(channels) {}

  void print_text(int channel, std::string_view text, Separator separator);
  // With `newline`, the CR LF goes out in the same write as the digits.
  void print_int(int channel, std::int32_t value, Separator separator);
  void begin_picture(std::string_view picture);
  // The picture's literal text, the number field and the literal text after
  // it; no value writes dashes in the field.
  void print_picture_number(int channel, std::optional<double> value, Separator separator);

  ChannelTable& channels() { return channels_; }

 private:
  void put(int channel, std::string_view bytes);
  void separate(int channel, Separator separator);

  ChannelTable& channels_;
  PictureText picture_;
};

}  // namespace novabit
