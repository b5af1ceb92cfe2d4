// The events file's parser with arbitrary bytes. Whatever it keeps must be an
// event the analysis can take: a name without control characters, a start
// before its end, no two events overlapping, and rows in the order of the
// file, each noted row named by a line of the file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "events/events_file.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const novabit::Result<novabit::events::EventsFile> parsed = novabit::events::parse_events(text, "events.csv");
  if (!parsed) {
    novabit::fuzz::require(parsed.failure().message().starts_with("events.csv"), "a refusal names the file");
    return 0;
  }
  const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  novabit::fuzz::require(parsed->sha256.size() == 64, "the digest is whole");
  std::vector<std::pair<std::int64_t, std::int64_t>> spans;
  std::size_t previous = 0;
  for (const novabit::events::Event& event : parsed->events) {
    novabit::fuzz::require(event.line > previous && event.line <= lines, "events keep the order of the file");
    previous = event.line;
    novabit::fuzz::require(event.start < event.end, "an event has a second");
    novabit::fuzz::require(!event.name.empty() && std::none_of(event.name.begin(), event.name.end(),
                                                               [](char c) { return c >= 0 && c < 0x20; }),
                           "a name prints on one line");
    novabit::fuzz::require(novabit::events::utc_text(event.start).size() == 20, "its start prints as it was read");
    spans.emplace_back(event.start, event.end);
  }
  std::sort(spans.begin(), spans.end());
  for (std::size_t i = 1; i < spans.size(); ++i) {
    novabit::fuzz::require(spans[i - 1].second <= spans[i].first, "no two events overlap");
  }
  for (const novabit::events::EventsNote& note : parsed->notes) {
    novabit::fuzz::require(note.line >= 1 && note.line <= lines && !note.message.empty(), "a note names its line");
  }
  return 0;
}
