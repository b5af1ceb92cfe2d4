#include "seal/seal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

#include "textio/fresh_file.h"
#include "sources/source_spec.h"

namespace novabit {

namespace {

constexpr std::size_t kMaxSealBytes = 64 * 1024;

// "MM-DD-YYYY HH:MM:SS" with each field in its calendar range.
bool is_start_text(std::string_view text) {
  static constexpr std::string_view kShape = "nn-nn-nnnn nn:nn:nn";
  if (text.size() != kShape.size()) return false;
  for (std::size_t at = 0; at < kShape.size(); ++at) {
    const bool digit = text[at] >= '0' && text[at] <= '9';
    if (kShape[at] == 'n' ? !digit : text[at] != kShape[at]) return false;
  }
  const auto field = [&](std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
  return field(0) >= 1 && field(0) <= 12 && field(3) >= 1 && field(3) <= 31 && field(11) <= 23 &&
         field(14) <= 59 && field(17) <= 60;
}

std::optional<long double> clock_value(std::string_view line) {
  // libstdc++ 12 reads a long double up to a terminating NUL whatever the
  // given end, so the line's text is parsed from its own string.
  const std::string text(line);
  long double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value,
                                            std::chars_format::fixed);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value) ||
      value < 0 || value >= 2147483648.0L) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::string seal_text(const Seal& seal) {
  return "# NovaBit seal: whoever can read this file can reveal the run's hidden window.\n"
         "version=" + std::to_string(kSealVersion) + "\n" +
         "start=" + seal.startDate + " " + seal.startTime + "\n" +
         "source=" + seal.source + "\n" +
         "key=" + key_hex(seal.key) + "\n";
}

std::string seal_clock_line(long double clock) {
  std::array<char, 64> text{};
  std::snprintf(text.data(), text.size(), "clock=%.6Lf\n", clock);
  return text.data();
}

ParsedSeal parse_seal(std::string_view text) {
  Seal seal;
  bool seen[5] = {};
  static constexpr std::string_view kNames[] = {"version", "start", "source", "key", "clock"};
  int lineNumber = 0;
  const auto problem = [&](const std::string& what) {
    return ParsedSeal{std::nullopt, "line " + std::to_string(lineNumber) + ": " + what};
  };
  while (!text.empty()) {
    ++lineNumber;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return problem("not a name=value line");
    const std::string_view name = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 1);
    std::size_t which = 0;
    while (which < std::size(kNames) && kNames[which] != name) ++which;
    if (which == std::size(kNames)) return problem("unknown name '" + std::string(name) + "'");
    if (seen[which]) return problem(std::string(name) + " given twice");
    seen[which] = true;
    if (name == "version") {
      if (value != std::to_string(kSealVersion)) return problem("version " + std::string(value) + " is not 1");
    } else if (name == "start") {
      if (!is_start_text(value)) return problem("start is not \"MM-DD-YYYY HH:MM:SS\"");
      seal.startDate = value.substr(0, 10);
      seal.startTime = value.substr(11);
    } else if (name == "source") {
      if (!parse_source(value).source) return problem("source is not keyed, kernel or device:PATH");
      seal.source = value;
    } else if (name == "key") {
      const auto key = key_from_hex(value);
      if (!key) return problem("key is not 64 hexadecimal digits");
      seal.key = *key;
    } else {
      seal.clock = clock_value(value);
      if (!seal.clock) return problem("clock is not a number of seconds");
    }
  }
  for (std::size_t which = 0; which < 4; ++which) {
    if (!seen[which]) return {std::nullopt, "no " + std::string(kNames[which]) + " line"};
  }
  return {seal, {}};
}

ParsedSeal read_seal_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {std::nullopt, path + ": " + std::strerror(errno)};
  std::string text;
  text.resize(kMaxSealBytes + 1);
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (file.bad()) return {std::nullopt, path + ": cannot be read"};
  text.resize(static_cast<std::size_t>(file.gcount()));
  if (text.size() > kMaxSealBytes) return {std::nullopt, path + ": too large for a seal"};
  ParsedSeal parsed = parse_seal(text);
  if (!parsed.seal) parsed.problem = path + ": " + parsed.problem;
  return parsed;
}

SealFile::~SealFile() {
  if (descriptor_ >= 0) close(descriptor_);
}

std::optional<std::string> SealFile::create(const std::string& path, const Seal& seal) {
  path_ = path;
  const auto failure = [&](int error) { return path + ": " + std::strerror(error); };
  if (const int error = fresh_file::move_aside(path)) return failure(error);
  descriptor_ = fresh_file::create_exclusive(path, 0600);
  if (descriptor_ < 0) return failure(errno);
  // The mode must not depend on the user's umask.
  if (fchmod(descriptor_, 0600) != 0) return failure(errno);
  if (const int error = fresh_file::write_all(descriptor_, seal_text(seal))) return failure(error);
  if (fsync(descriptor_) != 0) return failure(errno);
  fresh_file::sync_parent_directory(path);
  return std::nullopt;
}

std::optional<std::string> SealFile::add_clock(long double clock) {
  int error = fresh_file::write_all(descriptor_, seal_clock_line(clock));
  if (error == 0 && fsync(descriptor_) != 0) error = errno;
  if (close(std::exchange(descriptor_, -1)) != 0 && error == 0) error = errno;
  if (error != 0) return path_ + ": write failed: " + std::strerror(error);
  return std::nullopt;
}

}  // namespace novabit
