#pragma once
// The StudyLog: the file of quarter, five-minute and cycle records, in the
// forms of record_forms.h. Each record goes out on the channel
// ExperimentState::logFileNumber and is committed to the disk as soon as its
// last line is written.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "clocks/wall_clock.h"
#include "experiment/experiment_state.h"
#include "experiment/record_forms.h"
#include "textio/printer.h"

namespace novabit {

// The figures of a checkpoint record's further lines.
struct RecordFigures {
  std::int32_t periodAverage = 0;  // of the leading side
  std::optional<double> globalOneAverage;
  std::optional<double> globalZeroAverage;
};

class StudyLog {
 public:
  StudyLog(Printer& printer, const WallClock& wallClock) : printer_(printer), wallClock_(wallClock) {}

  // Creates "estudio_" + today's date on `channel`, in `directory` (empty:
  // the working directory); a replay's with ".replay" after it.
  Outcome open(std::int32_t channel, const std::filesystem::path& directory = {}, bool replay = false);
  // The path of the last open, for messages.
  const std::string& name() const { return name_; }
  // Whether the last open created the file.
  bool created() const { return created_; }

  void write_checkpoint_record(int channel, const RecordForm& form, const PeriodTally& tally,
                               const RecordFigures& figures);
  void write_cycle_record(int channel, std::int32_t cyclesCompleted);

 private:
  Printer& printer_;
  const WallClock& wallClock_;
  std::string name_;
  bool created_ = false;
};

}  // namespace novabit
