// A raw record's gap marks read from arbitrary bytes: every gap is a pass of
// at least 1 after at least 1 skipped second, both within 31 bits, and no
// more gaps than lines.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "fuzz_check.h"
#include "replay/run_gaps.h"

using novabit::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const novabit::RunGaps gaps = novabit::run_gaps_in(text);
  constexpr std::int64_t kLargest = std::numeric_limits<std::int32_t>::max();
  for (const auto& [pass, skipped] : gaps) {
    require(pass >= 1 && pass <= kLargest, "a pass of 31 bits");
    require(skipped >= 1 && skipped <= kLargest, "a gap of 31 bits");
  }
  require(gaps.size() <= static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1,
          "at most a gap a line");
  return 0;
}
