#pragma once
// Where the bits of each pass come from, named as the --source option, the
// seal's source= line and the raw record name it. The kinds are listed once,
// below; every text that names them is made from that list.

#include <array>
#include <string>
#include <string_view>

#include "base/failure.h"

namespace novabit {

struct SourceSpec {
  enum class Kind { keyed, kernel, device };
  Kind kind = Kind::keyed;
  std::string path;  // of a device; empty otherwise

  bool operator==(const SourceSpec&) const = default;
};

struct SourceKind {
  SourceSpec::Kind kind;
  std::string_view name;  // "device:" takes a path after it
  std::string_view help;  // one clause for the help
};

inline constexpr std::array kSourceKinds{
    SourceKind{SourceSpec::Kind::keyed, "keyed", "the generator keyed by the sealed key (the default)"},
    SourceKind{SourceSpec::Kind::kernel, "kernel", "the kernel's random bytes"},
    SourceKind{SourceSpec::Kind::device, "device:", "any byte stream: a hardware generator's device, a FIFO, a file"},
};

// "keyed|kernel|device:PATH", for usages.
std::string source_names();
// "keyed, kernel or device:PATH", for messages.
std::string source_choices();

// The source a text names, or why it names none. The PATH of a device must be
// printable ASCII, since the name is written into the seal's and the raw
// record's lines.
Result<SourceSpec> parse_source(std::string_view text);

// The name parse_source reads back as the same source.
std::string source_text(const SourceSpec& source);

}  // namespace novabit
