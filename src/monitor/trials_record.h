#pragma once
// The raw per-second record beside the study log, in the format of
// experiment/trials_format.h. Each row is a record of its own, which reaches
// the file as it is written and is synced with the study log's records; a
// pass cut short by the space bar has no row.

#include <string>

#include "clocks/wall_clock.h"
#include "experiment/experiment_events.h"
#include "sources/source_spec.h"
#include "textio/channels.h"

namespace novabit {

struct TrialsHeader {
  std::string program;  // "novabit 1.0.0"
  SourceSpec source;
  std::string keyCommitment;
  std::string station;
  std::string clock;  // the system clock's state; empty: not the clock of the stamps
};

class TrialsRecord final : public ExperimentEvents {
 public:
  TrialsRecord(ChannelTable& channels, const WallClock& wallClock) : channels_(channels), wallClock_(wallClock) {}

  // Creates the file like the study log, on the first free channel, with its
  // head; a head that cannot be written fails the open.
  Outcome open(const std::string& path, const TrialsHeader& header);

  void second_counted(const CountedSecond& second) override;
  void pass_ended(bool recordsWritten) override;

 private:
  ChannelTable& channels_;
  const WallClock& wallClock_;
  int channel_ = 0;
};

}  // namespace novabit
