// The --source parser with arbitrary bytes. Whatever it accepts is named back
// as the same text, holds no byte that could break a seal's or a raw
// record's line, and reads back as the same source.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "sources/source_spec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const novabit::Result<novabit::SourceSpec> parsed = novabit::parse_source(text);
  if (!parsed) {
    novabit::fuzz::require(!parsed.failure().message().empty(), "a refusal says why");
    return 0;
  }
  const std::string named = novabit::source_text(*parsed);
  novabit::fuzz::require(named == text, "the source is named by the text it was read from");
  novabit::fuzz::require(std::all_of(named.begin(), named.end(), [](char c) { return c >= 0x20 && c < 0x7F; }),
                         "the name is printable ASCII");
  const novabit::Result<novabit::SourceSpec> again = novabit::parse_source(named);
  novabit::fuzz::require(again && *again == *parsed, "the name reads back as the same source");
  return 0;
}
