#include "monitor/trials_record.h"

#include <utility>

#include "experiment/trials_format.h"
#include "textio/formatting.h"

namespace novabit {

Outcome TrialsRecord::open(const std::string& path, const TrialsHeader& header) {
  channel_ = channels_.first_free_channel();
  if (Outcome opened = channels_.open_output_file(path, channel_); !opened) return opened;
  for (const auto& [name, value] : {std::pair{kTrialsProgram, header.program},
                                    std::pair{kTrialsSource, source_text(header.source)},
                                    std::pair{kTrialsKeyCommitment, header.keyCommitment}}) {
    write_line(std::string(kTrialsComment).append(name).append("=").append(value));
  }
  write_line(std::string(kTrialsColumns));
  return {};
}

void TrialsRecord::second_counted(const CountedSecond& second) {
  // One reading gives both times, so that they name the same moment.
  const LocalTime now = wallClock_.now();
  write_line(std::to_string(second.pass) + "," + utc_text(now) + "," + date_text(now) + " " + time_text(now) + "," +
             std::to_string(second.ones) + "," + passAlarms_.names());
}

void TrialsRecord::pass_ended(bool recordsWritten) {
  // Synced with the study log, so the raw record on the disk is never behind it.
  if (recordsWritten) static_cast<void>(channels_.commit_record(channel_));
}

void TrialsRecord::write_line(const std::string& line) {
  // A failed write is the channel's to report; the run goes on.
  static_cast<void>(channels_.write(channel_, line + std::string(kLineEnd)));
  static_cast<void>(channels_.flush_line(channel_));
}

}  // namespace novabit
