#include "monitor/trials_record.h"

#include <utility>

#include "experiment/trials_format.h"
#include "textio/formatting.h"

namespace novabit {

namespace {

// The alarm column: the health tests that fired, the mark of a late pass,
// then the seconds skipped before the pass, one blank apart.
std::string alarm_column(const PassMarks& marks) {
  std::string column = marks.alarms.names();
  const auto add = [&column](const std::string& mark) { column.append(column.empty() ? "" : " ").append(mark); };
  if (marks.late) add(std::string(kTrialsLateAlarm));
  if (marks.skippedBefore > 0) add(std::string(kTrialsGapMark) + " " + std::to_string(marks.skippedBefore));
  return column;
}

}  // namespace

Outcome TrialsRecord::open(const std::string& path, const TrialsHeader& header) {
  channel_ = channels_.first_free_channel();
  std::string head;
  for (const auto& [name, value] :
       {std::pair{kTrialsProgram, header.program}, std::pair{kTrialsSource, source_text(header.source)},
        std::pair{kTrialsKeyCommitment, header.keyCommitment}, std::pair{kTrialsStation, header.station},
        std::pair{kTrialsClock, header.clock}}) {
    if (value.empty()) continue;  // a station without a name, a simulated clock
    head.append(kTrialsComment).append(name).append("=").append(value).append(kLineEnd);
  }
  head.append(kTrialsColumns).append(kLineEnd);
  return channels_.open_output_file(path, channel_, head);
}

void TrialsRecord::second_counted(const CountedSecond& second) {
  // One reading gives both times, so that they name the same moment: the
  // pass's own second, which a pass that began just before it has not reached.
  LocalTime now = wallClock_.now();
  if (second.marks.beganBeforeItsSecond) now = local_time_at(moment_of(now) + 1);
  // A failed write is the channel's to count; the run goes on.
  static_cast<void>(channels_.write(channel_, std::to_string(second.pass) + "," + utc_text(now) + "," + date_text(now) +
                                                  " " + time_text(now) + "," + std::to_string(second.ones) + "," +
                                                  alarm_column(second.marks) + std::string(kLineEnd)));
  static_cast<void>(channels_.end_record(channel_));
}

void TrialsRecord::pass_ended(bool recordsWritten) {
  // Synced with the study log, so the raw record on the disk is never behind it.
  if (recordsWritten) static_cast<void>(channels_.commit_record(channel_));
}

}  // namespace novabit
