#pragma once
// Where the 200 bits of each pass come from, named as the --source option,
// the seal's source= line and the raw record name it: "keyed" (the sealed
// generator), "kernel" (getrandom) or "device:PATH" (any byte stream).

#include <optional>
#include <string>
#include <string_view>

namespace novabit {

struct SourceSpec {
  enum class Kind { keyed, kernel, device };
  Kind kind = Kind::keyed;
  std::string path;  // of a device; empty otherwise

  bool operator==(const SourceSpec&) const = default;
};

struct ParsedSource {
  std::optional<SourceSpec> source;
  std::string problem;  // why the text names no source
};

// The PATH of a device must be printable ASCII, since the name is written
// into the seal's and the raw record's lines.
ParsedSource parse_source(std::string_view text);

// The name parse_source reads back as the same source.
std::string source_text(const SourceSpec& source);

}  // namespace novabit
