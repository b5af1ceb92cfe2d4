#include "metrics/listen_address.h"

#include <arpa/inet.h>

#include <charconv>

namespace novabit {

namespace {

bool literal_address(int family, const std::string& address) {
  unsigned char bytes[16];
  return address.find('\0') == std::string::npos && inet_pton(family, address.c_str(), bytes) == 1;
}

Result<std::uint16_t> parse_port(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535) {
    return Failure{"the port must be a number from 1 to 65535"};
  }
  return static_cast<std::uint16_t>(value);
}

}  // namespace

Result<ListenAddress> parse_listen_address(std::string_view text) {
  ListenAddress listen;
  std::string_view port = text;
  if (text.starts_with('[')) {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos || text.substr(close + 1, 1) != ":") {
      return Failure{"a bracketed IPv6 address is followed by :PORT, as in [::1]:9464"};
    }
    listen.address = text.substr(1, close - 1);
    if (!literal_address(AF_INET6, listen.address)) return Failure{"not an IPv6 address between the brackets"};
    port = text.substr(close + 2);
  } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
    listen.address = text.substr(0, colon);
    if (listen.ipv6()) return Failure{"an IPv6 address goes in brackets, as in [::1]:9464"};
    if (!literal_address(AF_INET, listen.address)) {
      return Failure{"the address must be a literal IPv4 or bracketed IPv6 address (host names are not resolved)"};
    }
    port = text.substr(colon + 1);
  }
  Result<std::uint16_t> number = parse_port(port);
  if (!number) return number.failure();
  listen.port = *number;
  return listen;
}

std::string listen_address_text(const ListenAddress& listen) {
  const std::string address = listen.ipv6() ? "[" + listen.address + "]" : listen.address;
  return address + ":" + std::to_string(listen.port);
}

}  // namespace novabit
