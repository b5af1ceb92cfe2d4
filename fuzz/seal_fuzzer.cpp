// The seal parser with arbitrary bytes. Whatever it accepts must come back
// the same through the writer's text, so that a seal read is the seal written.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "seal/seal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const novabit::Result<novabit::Seal> parsed = novabit::parse_seal(text);
  if (!parsed) {
    novabit::fuzz::require(!parsed.failure().message().empty(), "a refusal says why");
    return 0;
  }
  const novabit::Seal& seal = *parsed;
  std::string written = novabit::seal_text(seal);
  if (seal.clock) written += novabit::seal_clock_line(*seal.clock);
  const novabit::Result<novabit::Seal> again = novabit::parse_seal(written);
  novabit::fuzz::require(again.ok(), "the written text parses");
  novabit::fuzz::require(again->key == seal.key && novabit::seal_text(*again) == novabit::seal_text(seal),
                         "key, start and source survive the round trip");
  novabit::fuzz::require(again->clock.has_value() == seal.clock.has_value(), "the clock line survives");
  return 0;
}
