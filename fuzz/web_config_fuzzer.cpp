// The parser of the metrics' web configuration with arbitrary bytes. It takes
// exactly what a model of its own reads from YAML's tree as well formed: no
// settings, or tls_server_config with both file names and basic_auth_users
// with bcrypt hashes of cost 4 to 31, each name given once. What it refuses
// gets a reason of one line; what it takes, written back as YAML, reads as the
// same settings.

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <regex>
#include <set>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "metrics/web_config.h"

namespace {

using Entry = std::function<bool(const std::string& name, const YAML::Node& value)>;

// Nothing, or a map whose names are texts given once, each entry as `entry` wants it.
bool map_of(const YAML::Node& node, const Entry& entry) {
  if (node.IsNull()) return true;
  if (!node.IsMap()) return false;
  std::set<std::string> names;
  for (const auto& item : node) {
    if (!item.first.IsScalar() || !names.insert(item.first.Scalar()).second ||
        !entry(item.first.Scalar(), item.second)) {
      return false;
    }
  }
  return true;
}

bool well_formed(std::string_view text) {
  static const std::regex bcrypt(R"(\$2[aby]\$(0[4-9]|[12][0-9]|3[01])\$[./A-Za-z0-9]{53})");
  YAML::Node root;
  try {
    root = YAML::Load(std::string(text));
  } catch (const YAML::Exception&) {
    return false;
  }
  return map_of(root, [](const std::string& name, const YAML::Node& value) {
    if (name == "basic_auth_users") {
      return map_of(value, [](const std::string&, const YAML::Node& hash) {
        return hash.IsScalar() && std::regex_match(hash.Scalar(), bcrypt);
      });
    }
    int files = 0;
    return name == "tls_server_config" &&
           map_of(value,
                  [&files](const std::string& setting, const YAML::Node& file) {
                    ++files;
                    return (setting == "cert_file" || setting == "key_file") && file.IsScalar() &&
                           !file.Scalar().empty();
                  }) &&
           files == 2;
  });
}

std::string written_back(const novabit::WebConfig& config) {
  YAML::Emitter out;
  out << YAML::BeginMap;
  if (!config.certFile.empty()) {
    out << YAML::Key << "tls_server_config" << YAML::Value << YAML::BeginMap << YAML::Key << "cert_file" << YAML::Value
        << config.certFile << YAML::Key << "key_file" << YAML::Value << config.keyFile << YAML::EndMap;
  }
  out << YAML::Key << "basic_auth_users" << YAML::Value << YAML::BeginMap;
  for (const auto& [user, hash] : config.users) out << YAML::Key << user << YAML::Value << hash;
  out << YAML::EndMap << YAML::EndMap;
  return out.good() ? out.c_str() : "";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const novabit::Result<novabit::WebConfig> parsed = novabit::parse_web_config(text);
  novabit::fuzz::require(parsed.ok() == well_formed(text), "it takes what is well formed, and nothing else");
  if (!parsed) {
    const std::string reason = parsed.failure().message();
    novabit::fuzz::require(
        !reason.empty() && std::none_of(reason.begin(), reason.end(), [](char c) { return c == '\n' || c == '\r'; }),
        "a refusal says why in one line");
    return 0;
  }
  const std::string again = written_back(*parsed);
  if (again.empty()) return 0;  // text YAML cannot write, such as bytes that are not UTF-8
  const novabit::Result<novabit::WebConfig> reread = novabit::parse_web_config(again);
  novabit::fuzz::require(reread && reread->certFile == parsed->certFile && reread->keyFile == parsed->keyFile &&
                             reread->users == parsed->users,
                         "written back, the settings read the same");
  return 0;
}
