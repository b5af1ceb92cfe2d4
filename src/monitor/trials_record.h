#pragma once
// The raw per-second record beside the study log, in the format of
// experiment/trials_format.h. Each row reaches the file as it is written and
// is synced with the study log's records; a pass cut short by the space bar
// has no row.

#include <string>

#include "clocks/wall_clock.h"
#include "experiment/experiment_events.h"
#include "sources/health_tests.h"
#include "sources/source_spec.h"
#include "textio/channels.h"

namespace novabit {

struct TrialsHeader {
  std::string program;  // "novabit 1.0.0"
  SourceSpec source;
  std::string keyCommitment;
};

class TrialsRecord final : public ExperimentEvents {
 public:
  // `passAlarms` holds the alarms of each pass's bits by the time it is counted.
  TrialsRecord(ChannelTable& channels, const WallClock& wallClock, const HealthAlarms& passAlarms)
      : channels_(channels), wallClock_(wallClock), passAlarms_(passAlarms) {}

  // Creates the file like the study log, on the first free channel, and writes its head.
  Outcome open(const std::string& path, const TrialsHeader& header);

  void second_counted(const CountedSecond& second) override;
  void pass_ended(bool recordsWritten) override;

 private:
  void write_line(const std::string& line);

  ChannelTable& channels_;
  const WallClock& wallClock_;
  const HealthAlarms& passAlarms_;
  int channel_ = 0;
};

}  // namespace novabit
