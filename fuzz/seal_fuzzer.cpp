// The seal parser with arbitrary bytes. Whatever it accepts must come back
// the same through the writer's text, so that a seal read is the seal written.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "seal/seal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const novabit::ParsedSeal parsed = novabit::parse_seal(text);
  novabit::fuzz::require(parsed.seal.has_value() == parsed.problem.empty(), "a seal or a problem, never both");
  if (!parsed.seal) return 0;
  const novabit::Seal& seal = *parsed.seal;
  std::string written = novabit::seal_text(seal);
  if (seal.clock) written += novabit::seal_clock_line(*seal.clock);
  const novabit::ParsedSeal again = novabit::parse_seal(written);
  novabit::fuzz::require(again.seal.has_value(), "the written text parses");
  novabit::fuzz::require(again.seal->key == seal.key && again.seal->startDate == seal.startDate &&
                             again.seal->startTime == seal.startTime && again.seal->source == seal.source,
                         "key, start and source survive the round trip");
  novabit::fuzz::require(again.seal->clock.has_value() == seal.clock.has_value(), "the clock line survives");
  return 0;
}
