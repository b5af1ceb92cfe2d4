// The [ADDR:]PORT parser with arbitrary bytes. What it accepts is a port
// from 1 to 65535 on a printable address, named by a text that reads back as
// the same address; what it refuses gets a reason of one printable line.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "metrics/listen_address.h"

namespace {

bool printable(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const novabit::Result<novabit::ListenAddress> parsed = novabit::parse_listen_address(text);
  if (!parsed) {
    const std::string reason = parsed.failure().message();
    novabit::fuzz::require(!reason.empty() && printable(reason), "a refusal says why in one printable line");
    return 0;
  }
  novabit::fuzz::require(parsed->port >= 1, "the port is from 1 to 65535");
  const std::string named = novabit::listen_address_text(*parsed);
  novabit::fuzz::require(printable(named), "the address is printable");
  const novabit::Result<novabit::ListenAddress> again = novabit::parse_listen_address(named);
  novabit::fuzz::require(again && *again == *parsed, "the name reads back as the same address");
  return 0;
}
