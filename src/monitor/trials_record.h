#pragma once
// The raw per-second record beside the study log, NAME.trials.csv: ASCII with
// CR LF line ends, three "# name=value" lines, then a header and one row per
// completed pass:
//   # program=novabit 1.0.0
//   # source=keyed
//   # key_sha256=<the seal's key commitment>
//   pass,utc,local,ones,alarm
//   1,2026-12-07T05:32:20Z,12-07-2026 05:32:20,103,
// `ones` counts the pass's ones after forcing; `alarm` names the health tests
// that fired on the source's bits of the pass. Each row reaches the file as
// it is written and is synced with the study log's records; a pass cut short
// by the space bar has no row.

#include <string>

#include "experiment/pass_observer.h"
#include "sources/health_tests.h"
#include "textio/channels.h"
#include "clocks/wall_clock.h"

namespace novabit {

struct TrialsHeader {
  std::string program;  // "novabit 1.0.0"
  std::string source;   // as source_text() names it
  std::string keyCommitment;
};

class TrialsRecord final : public PassObserver {
 public:
  // `passAlarms` holds the alarms of each pass's bits by the time it is counted.
  TrialsRecord(ChannelTable& channels, const WallClock& wallClock, const HealthAlarms& passAlarms)
      : channels_(channels), wallClock_(wallClock), passAlarms_(passAlarms) {}

  // Creates the file like the study log, on the first free channel, and writes its head.
  ResultCode open(const std::string& path, const TrialsHeader& header);

  void bit_counted(std::int32_t) override {}
  void pass_counted(const ExperimentState& state, bool forced) override;
  void records_written() override { channels_.commit_record(channel_); }

 private:
  void write_line(const std::string& line);

  ChannelTable& channels_;
  const WallClock& wallClock_;
  const HealthAlarms& passAlarms_;
  int channel_ = 0;
};

}  // namespace novabit
