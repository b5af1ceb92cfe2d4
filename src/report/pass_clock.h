#pragma once
// The local time at which each five-minute period of a run ended, as its raw
// record gives every pass: with it each record of the study log is placed at
// the pass that wrote it exactly, through pauses, late passes, skipped lines
// and daylight-saving changes, where its stamp alone can only be reckoned.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "experiment/record_forms.h"

namespace novabit::report {

struct PlaceInRun;

class PassClock {
 public:
  // A failure names the file.
  static Result<PassClock> read(const std::string& path);

  // The last pass of a period of `kind` whose record would bear `stamp`,
  // the earliest after `after`; nothing when the raw record has none.
  std::optional<std::int64_t> pass_of(RecordKind kind, std::int64_t stamp, const PlaceInRun& after) const;

 private:
  std::vector<std::pair<std::int64_t, std::int64_t>> ends_;  // local time, pass; by time
};

}  // namespace novabit::report
