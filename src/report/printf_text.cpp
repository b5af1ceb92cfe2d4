#include "report/printf_text.h"

#include <cstdarg>
#include <cstdio>

namespace novabit::report {

std::string printf_text(const char* pattern, ...) {
  va_list arguments;
  va_start(arguments, pattern);
  va_list again;
  va_copy(again, arguments);
  const int length = std::vsnprintf(nullptr, 0, pattern, arguments);
  va_end(arguments);
  std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  // vsnprintf writes a terminating NUL, which std::string keeps room for.
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, pattern, again);
  va_end(again);
  return text;
}

std::string plural(std::int64_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace novabit::report
