// The reader of partial sums with arbitrary bytes. A refusal names the file
// on one line; whatever it takes is written again to the same bytes it
// writes from its own reading, so that nothing read is lost or invented, and
// a partial added to itself is refused as overlapping.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "report/partial_sums.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto parsed = novabit::report::parse_partial_sums(text, "part.json");
  if (!parsed) {
    const std::string message = parsed.failure().message();
    novabit::fuzz::require(message.starts_with("part.json: ") && message.find('\n') == std::string::npos,
                           "a refusal names the file on one line");
    return 0;
  }
  const std::string written = novabit::report::partial_sums_text(*parsed);
  const auto again = novabit::report::parse_partial_sums(written, "again.json");
  novabit::fuzz::require(again && novabit::report::partial_sums_text(*again) == written, "what is read is kept");
  novabit::fuzz::require(!novabit::report::combine_partial_sums({*parsed, *again}), "a range does not add to itself");
  return 0;
}
