#include "replay/run_gaps.h"

#include <charconv>
#include <fstream>
#include <limits>
#include <optional>

#include "experiment/trials_format.h"

namespace novabit {

namespace {

std::optional<std::int64_t> whole_number(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || value < 1 ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return value;
}

void add_row(std::string_view line, RunGaps& gaps) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::size_t firstComma = line.find(',');
  const std::size_t lastComma = line.rfind(',');
  if (firstComma == std::string_view::npos || firstComma == lastComma) return;
  const std::optional<std::int64_t> pass = whole_number(line.substr(0, firstComma));
  const std::optional<std::int64_t> gap = gap_of(line.substr(lastComma + 1));
  if (pass && gap) gaps.emplace(*pass, *gap);
}

}  // namespace

std::optional<std::int64_t> gap_of(std::string_view alarms) {
  for (std::size_t at = 0; at <= alarms.size();) {
    const std::size_t end = std::min(alarms.find(' ', at), alarms.size());
    if (alarms.substr(at, end - at) == kTrialsGapMark && end < alarms.size()) {
      const std::size_t numberEnd = std::min(alarms.find(' ', end + 1), alarms.size());
      return whole_number(alarms.substr(end + 1, numberEnd - end - 1));
    }
    at = end + 1;
  }
  return std::nullopt;
}

RunGaps run_gaps_in(std::string_view text) {
  RunGaps gaps;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    add_row(text.substr(0, end), gaps);
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return gaps;
}

Result<RunGaps> read_run_gaps(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return system_failure(path);
  RunGaps gaps;
  // Line by line: a raw record holds a row for every second of the run.
  for (std::string line; std::getline(file, line);) add_row(line, gaps);
  if (file.bad()) return Failure{path + ": cannot be read", 0};
  return gaps;
}

}  // namespace novabit
