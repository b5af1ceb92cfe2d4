// The study log read and placed from arbitrary bytes: records come in rising
// places, each at the last pass of a period of its kind; a counted record
// holds a whole period and stands on a line no note skipped; the notes stay
// capped however much of the input is damaged.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>

#include "experiment/experiment_numbers.h"
#include "fuzz_check.h"
#include "report/log_stream.h"

using novabit::fuzz::require;
using namespace novabit;
using namespace novabit::report;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  FileNotes notes;
  LogStream stream(LineSource(text), std::nullopt, notes);
  PlaceInRun last;
  std::set<std::size_t> counted;
  while (const std::optional<Checkpoint> record = stream.next().value()) {
    const PlaceInRun place = place_of(record->kind, record->pass);
    require(place > last, "records in rising places");
    last = place;
    require(record->line >= 1 && record->line <= lines, "a record's line is in the text");
    const std::int64_t period = record->kind == RecordKind::quarter       ? kQuarterPasses
                                : record->kind == RecordKind::five_minute ? kFiveMinutePasses
                                                                          : kPassesPerCycle;
    require(record->pass >= period && record->pass % period == 0, "a record ends a period of its kind");
    if (record->counted && record->kind != RecordKind::cycle) {
      const std::int32_t bits = record->kind == RecordKind::quarter ? kQuarterBits : kFiveMinuteBits;
      require(record->ones >= 0 && record->ones <= bits, "a record holds a whole period");
      require(counted.insert(record->line).second, "one record per line");
    }
  }
  for (const LineNote& note : notes.shown()) {
    require(!note.skipped || counted.count(note.line) == 0, "a skipped line is no counted record");
  }
  require(notes.shown().size() <= kShownNotes, "the notes shown are capped");
  require(notes.skipped_lines() <= static_cast<std::int64_t>(lines), "no more lines skipped than there are");
  return 0;
}
