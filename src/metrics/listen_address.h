#pragma once
// Where the metrics server listens, written [ADDRESS:]PORT: "9464",
// "0.0.0.0:9464", "[::1]:9464". The address is a literal IPv4 or IPv6
// address; host names are refused rather than resolved, so that the
// interface a station exposes is the one its command line names.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/failure.h"

namespace novabit {

struct ListenAddress {
  std::string address = "127.0.0.1";  // an IPv6 address without its brackets
  std::uint16_t port = 0;             // 0 only for a port the system chooses (tests)

  bool ipv6() const { return address.find(':') != std::string::npos; }
  bool operator==(const ListenAddress&) const = default;
};

// PORT is a decimal number from 1 to 65535; the address defaults to
// 127.0.0.1. A refusal's Failure says why in one line.
Result<ListenAddress> parse_listen_address(std::string_view text);

// The text parse_listen_address reads back as the same address.
std::string listen_address_text(const ListenAddress& listen);

}  // namespace novabit
