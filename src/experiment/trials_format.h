#pragma once
// The raw per-second record beside the study log, NAME.trials.csv: ASCII with
// CR LF line ends, "# name=value" lines, then the column header and one row
// per completed pass:
//   # program=novabit 1.0.0
//   # source=keyed
//   # key_sha256=<the seal's key commitment>
//   # station=lab-1
//   # clock=synchronized max_error_seconds=0.016
//   pass,utc,local,ones,alarm
//   1,2026-12-07T05:32:20Z,12-07-2026 05:32:20,103,
// `ones` counts the pass's ones after forcing; `alarm` names the health tests
// that fired on the source's bits of the pass, `late` for a pass that waited
// for its bits, and `gap N` for a pass after N seconds that had none, one
// blank apart. `clock` is the kernel's word on the system clock as the run
// began (clocks/kernel_clock.h). Older records have no station or clock line
// and no gap marks.
// The writer and every reader take the names from here.

#include <string_view>

namespace novabit {

inline constexpr std::string_view kTrialsComment = "# ";
inline constexpr std::string_view kTrialsProgram = "program";
inline constexpr std::string_view kTrialsSource = "source";
inline constexpr std::string_view kTrialsKeyCommitment = "key_sha256";
inline constexpr std::string_view kTrialsStation = "station";
inline constexpr std::string_view kTrialsClock = "clock";
inline constexpr std::string_view kTrialsColumns = "pass,utc,local,ones,alarm";
// In the alarm column of a pass that had to wait for its bits beyond its second.
inline constexpr std::string_view kTrialsLateAlarm = "late";
// In the alarm column of the pass after seconds without a pass, followed by a blank and their number.
inline constexpr std::string_view kTrialsGapMark = "gap";

}  // namespace novabit
