// The [ADDR:]PORT parser with arbitrary bytes. What it accepts is a port
// from 1 to 65535, the text's last digits, on a literal address (no host
// name: hexadecimal digits, dots and colons), 127.0.0.1 when the text names
// none, in brackets when it is IPv6; its name reads back as the same
// address. What it refuses gets a reason of one printable line.

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
  novabit::fuzz::require(parsed->port >= 1 && text.ends_with(std::to_string(parsed->port)),
                         "the port is from 1 to 65535, the text's last digits");
  novabit::fuzz::require(parsed->address.find_first_not_of("0123456789abcdefABCDEF.:") == std::string::npos,
                         "the address is a literal one");
  novabit::fuzz::require(text.find(':') != std::string_view::npos || parsed->address == "127.0.0.1",
                         "a port alone is served on 127.0.0.1");
  novabit::fuzz::require(text.starts_with('[') == parsed->ipv6(), "an IPv6 address, and it alone, is in brackets");
  const std::string named = novabit::listen_address_text(*parsed);
  novabit::fuzz::require(printable(named), "the address is printable");
  const novabit::Result<novabit::ListenAddress> again = novabit::parse_listen_address(named);
  novabit::fuzz::require(again && *again == *parsed, "the name reads back as the same address");
  return 0;
}
