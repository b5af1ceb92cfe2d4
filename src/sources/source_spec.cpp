#include "sources/source_spec.h"

#include <algorithm>

namespace novabit {

namespace {

constexpr std::string_view kDevicePrefix = "device:";

}  // namespace

ParsedSource parse_source(std::string_view text) {
  if (text == "keyed") return {SourceSpec{}, {}};
  if (text == "kernel") return {SourceSpec{SourceSpec::Kind::kernel, {}}, {}};
  if (!text.starts_with(kDevicePrefix)) {
    std::string problem(1, '\'');
    problem.append(text).append("' is not keyed, kernel or device:PATH");
    return {std::nullopt, problem};
  }
  const std::string_view path = text.substr(kDevicePrefix.size());
  if (path.empty()) return {std::nullopt, "device: needs the path of the device"};
  if (!std::all_of(path.begin(), path.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
    return {std::nullopt, "the device's path must be printable ASCII"};
  }
  return {SourceSpec{SourceSpec::Kind::device, std::string(path)}, {}};
}

std::string source_text(const SourceSpec& source) {
  switch (source.kind) {
    case SourceSpec::Kind::keyed:
      return "keyed";
    case SourceSpec::Kind::kernel:
      return "kernel";
    case SourceSpec::Kind::device:
      break;
  }
  return std::string(kDevicePrefix) + source.path;
}

}  // namespace novabit
