#include "seal/seal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

#include "base/fresh_file.h"

namespace novabit {

namespace {

constexpr std::size_t kMaxSealBytes = 64 * 1024;

// "MM-DD-YYYY HH:MM:SS", each field in its calendar range.
std::optional<LocalTime> start_value(std::string_view text) {
  const std::optional<LocalTime> date = parse_date_text(text.substr(0, 10));
  if (!date || text.size() != 19 || text[10] != ' ') return std::nullopt;
  return parse_time_text(text.substr(11), *date);
}

std::optional<long double> clock_value(std::string_view line) {
  // libstdc++ 12 reads a long double up to a terminating NUL whatever the
  // given end, so the line's text is parsed from its own string.
  const std::string text(line);
  long double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value) || value < 0 ||
      value >= 2147483648.0L) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::string seal_text(const Seal& seal) {
  return "# NovaBit seal: whoever can read this file can reveal the run's hidden window.\n"
         "version=" +
         std::to_string(kSealVersion) + "\n" +
         (seal.station.empty() ? std::string() : "station=" + seal.station + "\n") + "start=" + date_text(seal.start) +
         " " + time_text(seal.start) + "\n" + "source=" + source_text(seal.source) + "\n" + "key=" + key_hex(seal.key) +
         "\n" + "key_sha256=" + key_commitment(seal.key) + "\n";
}

std::string seal_clock_line(long double clock) {
  std::array<char, 64> text{};
  std::snprintf(text.data(), text.size(), "clock=%.6Lf\n", clock);
  return text.data();
}

Result<Seal> parse_seal(std::string_view text) {
  Seal seal;
  bool seen[7] = {};
  static constexpr std::string_view kNames[] = {"version", "start", "source", "key", "clock", "station", "key_sha256"};
  std::string_view commitment;
  int lineNumber = 0;
  const auto problem = [&](const std::string& what) {
    return Failure{"line " + std::to_string(lineNumber) + ": " + what, 0};
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
      if (value != "1" && value != "2") return problem("version " + std::string(value) + " is not 1 or 2");
    } else if (name == "station") {
      const bool control = std::any_of(value.begin(), value.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
      if (value.empty() || control) return problem("station is not a name without control characters");
      seal.station = value;
    } else if (name == "key_sha256") {
      commitment = value;
    } else if (name == "start") {
      const std::optional<LocalTime> start = start_value(value);
      if (!start) return problem("start is not \"MM-DD-YYYY HH:MM:SS\"");
      seal.start = *start;
    } else if (name == "source") {
      Result<SourceSpec> source = parse_source(value);
      if (!source) return problem("source is not " + source_choices());
      seal.source = std::move(*source);
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
    if (!seen[which]) return Failure{"no " + std::string(kNames[which]) + " line", 0};
  }
  if (seen[6] && commitment != key_commitment(seal.key)) return Failure{"key_sha256 is not the key's commitment", 0};
  return seal;
}

Result<Seal> read_seal_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return system_failure(path);
  std::string text;
  text.resize(kMaxSealBytes + 1);
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (file.bad()) return Failure{path + ": cannot be read", 0};
  text.resize(static_cast<std::size_t>(file.gcount()));
  if (text.size() > kMaxSealBytes) return Failure{path + ": too large for a seal", 0};
  Result<Seal> parsed = parse_seal(text);
  if (!parsed) return Failure{path + ": " + parsed.failure().what, 0};
  return parsed;
}

Outcome SealFile::create(const std::string& path, const Seal& seal) {
  path_ = path;
  created_ = {};
  Result<FileDescriptor> created = fresh_file::create_afresh(path, 0600, created_);
  if (!created) return created.failure();
  descriptor_ = std::move(*created);
  length_ = 0;
  // The mode must not depend on the user's umask.
  Outcome written = fchmod(descriptor_.get(), 0600) == 0 ? Outcome{} : system_failure(path);
  if (written) written = append_whole(seal_text(seal));
  if (!written) {
    withdraw();
    return written;
  }
  fresh_file::sync_parent_directory(path);
  return {};
}

void SealFile::withdraw() {
  descriptor_.reset();
  created_.withdraw();
  created_ = {};
}

Outcome SealFile::add_clock(long double clock) {
  const Outcome written = append_whole(seal_clock_line(clock));
  Outcome closed = descriptor_.close(path_);
  return !written ? written : closed;
}

Outcome SealFile::append_whole(const std::string& text) {
  Outcome written = fresh_file::write_all(descriptor_.get(), text, path_);
  if (written && fsync(descriptor_.get()) != 0) written = system_failure(path_ + ": sync failed");
  if (!written) {
    [[maybe_unused]] const int cut = ftruncate(descriptor_.get(), length_);
    return written;
  }
  length_ += static_cast<off_t>(text.size());
  return {};
}

}  // namespace novabit
