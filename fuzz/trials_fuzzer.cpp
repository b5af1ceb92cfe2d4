// The trials reader with arbitrary bytes: every second read has at most 200
// ones and its own line, in the order of the text, and the statistics of
// what was read are finite.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "report/field_report.h"
#include "report/trials_reader.h"

using novabit::fuzz::require;
using namespace novabit;
using namespace novabit::report;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const TrialsSummary trials = summarize_trials("trials", read_trials(text), BoundarySettings{});
  std::size_t previousLine = 0;
  for (const TrialSecond& second : trials.contents.seconds) {
    require(second.ones >= 0 && second.ones <= kBitsPerPass, "at most 200 ones");
    require(second.pass >= 1, "passes count from 1");
    require(second.line > previousLine, "seconds in the order of their lines");
    previousLine = second.line;
  }
  std::int64_t alarms = 0;
  for (const auto& [name, count] : trials.contents.alarms) {
    require(!name.empty() && count > 0, "an alarm has a name and fired");
    alarms += count;
  }
  require(alarms >= trials.alarmSeconds, "every alarm second names an alarm");
  require(std::isfinite(trials.seconds.sumZSquared) && std::isfinite(trials.seconds.maxLogE), "finite statistics");
  return 0;
}
