#include "report/pass_clock.h"

#include <algorithm>
#include <charconv>

#include "experiment/experiment_numbers.h"
#include "report/line_source.h"
#include "report/record_placer.h"
#include "report/trials_reader.h"

namespace novabit::report {

namespace {

// A record is stamped while its pass writes it: in the second its pass
// began, or a few later when the pass ran late.
constexpr std::int64_t kWritingSeconds = 5;

}  // namespace

Result<PassClock> PassClock::read(const std::string& path) {
  Result<LineSource> lines = LineSource::open(path);
  if (!lines) return lines.failure();
  PassClock clock;
  RowDates dates;
  for (;;) {
    const Next<SourceLine> line = lines->next();
    if (!line) return line.failure();
    if (!*line) break;
    // Only the rows that end a period are read whole: a year of seconds is read in seconds.
    const std::string_view text = (*line)->text;
    std::int64_t pass = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pass);
    if (error != std::errc{} || end == text.data() + text.size() || *end != ',' || pass % kFiveMinutePasses != 0) {
      continue;
    }
    if (const std::optional<TrialSecond> second = parse_trials_row(text, dates)) {
      lines->record_found();
      clock.ends_.emplace_back(second->local, second->pass);
    }
  }
  std::sort(clock.ends_.begin(), clock.ends_.end());
  return clock;
}

std::optional<std::int64_t> PassClock::pass_of(RecordKind kind, std::int64_t stamp, const PlaceInRun& after) const {
  const std::int64_t period = kind == RecordKind::quarter ? kQuarterPasses : kFiveMinutePasses;
  std::optional<std::int64_t> found;
  const auto first = std::lower_bound(ends_.begin(), ends_.end(), std::pair{stamp - kWritingSeconds, std::int64_t{0}});
  for (auto end = first; end != ends_.end() && end->first <= stamp; ++end) {
    const std::int64_t pass = end->second;
    if (pass % period == 0 && place_of(kind, pass) > after && (!found || pass < *found)) found = pass;
  }
  return found;
}

}  // namespace novabit::report
