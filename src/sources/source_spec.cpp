#include "sources/source_spec.h"

#include <algorithm>

namespace novabit {

namespace {

const SourceKind& kind_of(SourceSpec::Kind kind) {
  return *std::find_if(kSourceKinds.begin(), kSourceKinds.end(),
                       [kind](const SourceKind& entry) { return entry.kind == kind; });
}

bool takes_path(const SourceKind& kind) { return kind.name.ends_with(':'); }

std::string shown_name(const SourceKind& kind) { return std::string(kind.name) + (takes_path(kind) ? "PATH" : ""); }

}  // namespace

std::string source_names() {
  std::string names;
  for (const SourceKind& kind : kSourceKinds) names.append(names.empty() ? "" : "|").append(shown_name(kind));
  return names;
}

std::string source_choices() {
  std::string names;
  for (std::size_t at = 0; at < kSourceKinds.size(); ++at) {
    names.append(at == 0 ? "" : at + 1 == kSourceKinds.size() ? " or " : ", ").append(shown_name(kSourceKinds[at]));
  }
  return names;
}

Result<SourceSpec> parse_source(std::string_view text) {
  for (const SourceKind& kind : kSourceKinds) {
    if (!takes_path(kind)) {
      if (text == kind.name) return SourceSpec{kind.kind, {}};
      continue;
    }
    if (!text.starts_with(kind.name)) continue;
    const std::string_view path = text.substr(kind.name.size());
    if (path.empty()) return Failure{std::string(kind.name) + " needs the path of the device", 0};
    if (!std::all_of(path.begin(), path.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
      return Failure{"the device's path must be printable ASCII", 0};
    }
    return SourceSpec{kind.kind, std::string(path)};
  }
  std::string problem(1, '\'');
  problem.append(text).append("' is not ").append(source_choices());
  return Failure{problem, 0};
}

std::string source_text(const SourceSpec& source) {
  const SourceKind& kind = kind_of(source.kind);
  return std::string(kind.name) + (takes_path(kind) ? source.path : std::string());
}

}  // namespace novabit
