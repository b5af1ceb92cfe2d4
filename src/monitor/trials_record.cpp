#include "monitor/trials_record.h"

#include "textio/formatting.h"

namespace novabit {

ResultCode TrialsRecord::open(const std::string& path, const TrialsHeader& header) {
  channel_ = channels_.first_free_channel();
  const ResultCode result = channels_.open_output_file(path, channel_);
  if (result != ResultCode::ok) return result;
  write_line("# program=" + header.program);
  write_line("# source=" + header.source);
  write_line("# key_sha256=" + header.keyCommitment);
  write_line("pass,utc,local,ones,alarm");
  return ResultCode::ok;
}

void TrialsRecord::pass_counted(const ExperimentState& state, bool) {
  // One reading gives both times, so that they name the same moment.
  const LocalTime now = wallClock_.now();
  write_line(std::to_string(state.secondsElapsed) + "," + utc_text(now) + "," + date_text(now) + " " +
             time_text(now) + "," + std::to_string(state.onesThisSecond) + "," + passAlarms_.names());
}

void TrialsRecord::write_line(const std::string& line) {
  channels_.write(channel_, line + std::string(kLineEnd));
  channels_.flush_line(channel_);
}

}  // namespace novabit
