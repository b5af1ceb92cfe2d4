#include "metrics/web_config.h"

#include <yaml-cpp/yaml.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <utility>
#include <vector>

namespace novabit {

namespace {

constexpr std::size_t kMaxPemBytes = 1024 * 1024;

struct Entry {
  std::string name;
  YAML::Node value;
  YAML::Mark mark;  // of the name
};

Failure at(const YAML::Mark& mark, const std::string& what) {
  return Failure{(mark.line >= 0 ? "line " + std::to_string(mark.line + 1) + ": " : std::string()) + what, 0};
}

// A name as a message shows it: quoted, on one line, and not too long to read.
std::string quoted(const std::string& name) {
  constexpr std::size_t kShown = 64;
  std::string shown = name.substr(0, kShown);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return "'" + shown + (name.size() > kShown ? "...'" : "'");
}

// The settings of a map, each named by a text and given once; nothing is an empty map.
Result<std::vector<Entry>> entries(const YAML::Node& node, const YAML::Mark& mark, const std::string& what) {
  std::vector<Entry> found;
  if (node.IsNull()) return found;
  if (!node.IsMap()) return at(mark, what + " is not a map of settings");
  std::set<std::string> seen;
  for (const auto& entry : node) {
    if (!entry.first.IsScalar()) return at(entry.first.Mark(), what + ": a name is not a text");
    const std::string& name = entry.first.Scalar();
    if (!seen.insert(name).second) return at(entry.first.Mark(), what + ": " + quoted(name) + " given twice");
    found.push_back({name, entry.second, entry.first.Mark()});
  }
  return found;
}

// "$2y$10$" and 53 characters of bcrypt's alphabet, as htpasswd -B writes it
// ($2a$ and $2b$ are the same hash).
bool bcrypt_hash(std::string_view hash) {
  constexpr std::string_view kAlphabet = "./ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (hash.size() != 60 || !hash.starts_with("$2") || std::string_view("aby").find(hash[2]) == std::string_view::npos ||
      hash[3] != '$' || !digit(hash[4]) || !digit(hash[5]) || hash[6] != '$') {
    return false;
  }
  const int cost = (hash[4] - '0') * 10 + (hash[5] - '0');
  return cost >= 4 && cost <= 31 && hash.substr(7).find_first_not_of(kAlphabet) == std::string_view::npos;
}

Outcome read_tls(const Entry& section, WebConfig& config) {
  Result<std::vector<Entry>> settings = entries(section.value, section.mark, section.name);
  if (!settings) return settings.failure();
  for (const Entry& setting : *settings) {
    std::string* file = setting.name == "cert_file"  ? &config.certFile
                        : setting.name == "key_file" ? &config.keyFile
                                                     : nullptr;
    if (file == nullptr)
      return at(setting.mark, section.name + ": " + quoted(setting.name) + " is not a setting NovaBit takes");
    if (!setting.value.IsScalar() || setting.value.Scalar().empty()) {
      return at(setting.mark, section.name + ": " + setting.name + " is not a file name");
    }
    *file = setting.value.Scalar();
  }
  if (config.certFile.empty() || config.keyFile.empty()) {
    return at(section.mark, section.name + " needs both cert_file and key_file");
  }
  return {};
}

Outcome read_users(const Entry& section, WebConfig& config) {
  Result<std::vector<Entry>> users = entries(section.value, section.mark, section.name);
  if (!users) return users.failure();
  for (const Entry& user : *users) {
    if (!user.value.IsScalar() || !bcrypt_hash(user.value.Scalar())) {
      return at(user.mark, section.name + ": " + quoted(user.name) + " has no bcrypt hash ($2y$...)");
    }
    config.users.emplace(user.name, user.value.Scalar());
  }
  return {};
}

Result<std::string> read_small_file(const std::string& path, std::size_t limit) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return system_failure(path);
  std::string text(limit + 1, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (file.bad()) return Failure{path + ": cannot be read", 0};
  text.resize(static_cast<std::size_t>(file.gcount()));
  if (text.size() > limit) return Failure{path + ": larger than " + std::to_string(limit / 1024) + " KiB", 0};
  return text;
}

}  // namespace

Result<WebConfig> parse_web_config(std::string_view text) {
  WebConfig config;
  try {
    const YAML::Node root = YAML::Load(std::string(text));
    Result<std::vector<Entry>> sections = entries(root, root.Mark(), "the file");
    if (!sections) return sections.failure();
    for (const Entry& section : *sections) {
      Outcome read = section.name == "tls_server_config" ? read_tls(section, config)
                     : section.name == "basic_auth_users"
                         ? read_users(section, config)
                         : at(section.mark, quoted(section.name) + " is not a setting NovaBit takes");
      if (!read) return read.failure();
    }
  } catch (const YAML::Exception& error) {
    return at(error.mark, error.msg);
  }
  return config;
}

Result<WebSecurity> read_web_security(const std::string& path) {
  Result<std::string> text = read_small_file(path, kMaxWebConfigBytes);
  if (!text) return text.failure();
  Result<WebConfig> config = parse_web_config(*text);
  if (!config) return config.failure().after(path + ": ");
  WebSecurity security{{}, {}, std::move(config->users)};
  if (config->certFile.empty()) return security;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  for (const auto& [file, pem] :
       {std::pair{&config->certFile, &security.certificate}, std::pair{&config->keyFile, &security.key}}) {
    Result<std::string> read = read_small_file((folder / *file).string(), kMaxPemBytes);
    if (!read) return read.failure();
    *pem = std::move(*read);
  }
  return security;
}

}  // namespace novabit
