#include "report/log_stream.h"

namespace novabit::report {

Result<std::unique_ptr<LogStream>> LogStream::open(const std::string& path, std::optional<std::int64_t> start,
                                                   FileNotes& notes, const PassClock* clock) {
  Result<LineSource> lines = LineSource::open(path);
  if (!lines) return lines.failure();
  return std::make_unique<LogStream>(std::move(*lines), start, notes, clock);
}

LogStream::LogStream(LineSource lines, std::optional<std::int64_t> start, FileNotes& notes, const PassClock* clock)
    : lines_(std::move(lines)), reader_(lines_, notes), placer_(reader_, notes, start, clock), quarters_(notes) {}

Next<Checkpoint> LogStream::next() {
  Next<Checkpoint> record = placer_.next();
  if (record && *record) quarters_.add(**record);
  return record;
}

}  // namespace novabit::report
