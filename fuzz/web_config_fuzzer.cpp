// The parser of the metrics' web configuration with arbitrary bytes. What it
// refuses gets a reason of one line. What it accepts holds no setting but
// those the station takes (as YAML itself reads the text), names both TLS
// files or neither, and only bcrypt hashes, and written back as YAML it reads
// as the same settings.

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "metrics/web_config.h"

namespace {

std::string written_back(const novabit::WebConfig& config) {
  YAML::Emitter out;
  out << YAML::BeginMap;
  if (!config.certFile.empty()) {
    out << YAML::Key << "tls_server_config" << YAML::Value << YAML::BeginMap << YAML::Key << "cert_file"
        << YAML::Value << config.certFile << YAML::Key << "key_file" << YAML::Value << config.keyFile << YAML::EndMap;
  }
  out << YAML::Key << "basic_auth_users" << YAML::Value << YAML::BeginMap;
  for (const auto& [user, hash] : config.users) out << YAML::Key << user << YAML::Value << hash;
  out << YAML::EndMap << YAML::EndMap;
  return out.good() ? out.c_str() : "";
}

// Whether `node` is nothing, or a map whose names are all `names`.
bool only(const YAML::Node& node, const std::set<std::string>& names) {
  if (node.IsNull()) return true;
  if (!node.IsMap()) return false;
  for (const auto& entry : node) {
    if (!entry.first.IsScalar() || names.count(entry.first.Scalar()) == 0) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const novabit::Result<novabit::WebConfig> parsed = novabit::parse_web_config(text);
  if (!parsed) {
    const std::string reason = parsed.failure().message();
    novabit::fuzz::require(!reason.empty() && std::none_of(reason.begin(), reason.end(),
                                                           [](char c) { return c == '\n' || c == '\r'; }),
                           "a refusal says why in one line");
    return 0;
  }
  const YAML::Node root = YAML::Load(std::string(text));
  novabit::fuzz::require(only(root, {"tls_server_config", "basic_auth_users"}) &&
                             (!root["tls_server_config"].IsDefined() ||
                              only(root["tls_server_config"], {"cert_file", "key_file"})),
                         "no other setting is taken");
  novabit::fuzz::require(parsed->certFile.empty() == parsed->keyFile.empty(), "both TLS files or neither");
  for (const auto& [user, hash] : parsed->users) {
    novabit::fuzz::require(hash.size() == 60 && hash.starts_with("$2"), "every password is a bcrypt hash");
  }
  const std::string again = written_back(*parsed);
  if (again.empty()) return 0;  // text YAML cannot write, such as bytes that are not UTF-8
  const novabit::Result<novabit::WebConfig> reread = novabit::parse_web_config(again);
  novabit::fuzz::require(reread && reread->certFile == parsed->certFile && reread->keyFile == parsed->keyFile &&
                             reread->users == parsed->users,
                         "written back, the settings read the same");
  return 0;
}
