// The raw record read from arbitrary bytes: seconds come in rising passes and
// rising lines, with at most 200 ones each; every alarm counted has a name
// and the notes stay capped. A time range of the same bytes, found by
// bisection, is read in rising passes too and notes only lines of the file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
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
  std::optional<std::int64_t> firstUtc, lastUtc;
  while (const std::optional<TrialSecond> second = stream.next().value()) {
    firstUtc = firstUtc.value_or(second->utc);
    lastUtc = second->utc;
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
  if (!firstUtc) return 0;
  FileNotes rangeNotes;
  TrialsStream ranged(LineSource(text), rangeNotes);
  const std::int64_t middle = *firstUtc + (*lastUtc - *firstUtc) / 2;
  if (!ranged.reader().read_range(middle - static_cast<std::int64_t>(size % 4000), middle + 1)) return 0;
  previousPass = 0;
  while (const std::optional<TrialSecond> second = ranged.next().value()) {
    require(second->pass > previousPass, "a range's seconds in rising passes");
    previousPass = second->pass;
  }
  const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  for (const LineNote& note : rangeNotes.shown()) require(note.line <= lines, "a range notes lines of the file");
  return 0;
}
