// The raw record read from arbitrary bytes: seconds come in rising passes and
// rising lines, with at most 200 ones each; every alarm counted has a name
// and the notes stay capped.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "experiment/experiment_numbers.h"
#include "fuzz_check.h"
#include "report/trials_reader.h"

using novabit::fuzz::require;
using namespace novabit;
using namespace novabit::report;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  FileNotes notes;
  TrialsStream stream(LineSource(text), notes);
  std::int64_t previousPass = 0;
  std::size_t previousLine = 0;
  std::int64_t alarmSeconds = 0;
  while (const std::optional<TrialSecond> second = stream.next().value()) {
    require(second->ones >= 0 && second->ones <= kBitsPerPass, "at most 200 ones");
    require(second->pass > previousPass, "seconds in rising passes");
    require(second->line > previousLine, "seconds in the order of their lines");
    previousPass = second->pass;
    previousLine = second->line;
    alarmSeconds += second->alarm ? 1 : 0;
  }
  std::int64_t alarms = 0;
  for (const auto& [name, count] : stream.reader().alarms()) {
    require(!name.empty() && count > 0, "an alarm has a name and fired");
    alarms += count;
  }
  require(alarms >= alarmSeconds, "every alarm second names an alarm");
  require(notes.shown().size() <= kShownNotes, "the notes shown are capped");
  return 0;
}
