#pragma once
// A seal opened after the study: the run of the input it belongs to, and
// where that run's hidden window lay in each of its cycles.

#include <string>

#include "report/field_report.h"
#include "textio/failure.h"

namespace novabit::report {

// How far the start a seal gives may lie from the start reckoned back from
// a run's first record: less than one five-minute period.
inline constexpr std::int64_t kSealStartTolerance = 299;

// The sealed run, or why (naming the file) the seal cannot be read or
// belongs to no run of `report`.
Result<SealedRun> reveal_windows(const std::string& sealPath, const FieldReport& report);

}  // namespace novabit::report
