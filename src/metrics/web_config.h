#pragma once
// The web configuration file of Prometheus's exporters, as far as a station
// takes it (--metrics-web-config FILE):
//
//   tls_server_config:
//     cert_file: station.crt   # PEM: the certificate, then any it is signed by
//     key_file: station.key    # PEM: its private key, not encrypted
//   basic_auth_users:
//     prometheus: $2y$10$...   # the password's bcrypt hash
//
// Either part may be left out; an empty file serves plain HTTP to anyone.
// Relative file names are read from the configuration file's folder. Every
// other setting is refused rather than ignored, so that a station never runs
// with less protection than its file asks for.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "base/failure.h"

namespace novabit {

// The file's settings as written.
struct WebConfig {
  std::string certFile;  // both file names, or neither
  std::string keyFile;
  std::map<std::string, std::string> users;  // name -> bcrypt hash
};

// What the server enforces.
struct WebSecurity {
  std::string certificate;  // PEM; empty: plain HTTP
  std::string key;
  std::map<std::string, std::string> users;  // none: no password asked
};

inline constexpr std::size_t kMaxWebConfigBytes = 64 * 1024;

// The settings, or why the text holds none ("line 3: ...").
Result<WebConfig> parse_web_config(std::string_view text);

// Reads the file and the certificate and key it names; a failure names the
// file concerned.
Result<WebSecurity> read_web_security(const std::string& path);

}  // namespace novabit
