// text_value with arbitrary bytes. A "&H", "&O" or "&B" number must come out
// as a whole 32-bit value; blanks alone are 0.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "textio/formatting.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double value = novabit::text_value(text);

  const std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) {
    novabit::fuzz::require(value == 0, "blanks alone are 0");
    return 0;
  }
  const std::string_view rest = text.substr(start);
  if (rest.size() >= 2 && rest[0] == '&' && std::string_view("HhOoBb").find(rest[1]) != std::string_view::npos) {
    novabit::fuzz::require(value == std::trunc(value) && value >= INT32_MIN && value <= INT32_MAX,
                           "a based number is a 32-bit integer");
  }
  return 0;
}
