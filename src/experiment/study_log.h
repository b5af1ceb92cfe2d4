#pragma once
// The StudyLog: the file of quarter, five-minute and cycle records. Each
// record goes out on the channel ExperimentState::logFileNumber and is
// committed to the disk as soon as its last line is written.

#include <cstdint>
#include <filesystem>
#include <string>

#include "experiment/checkpoint_arithmetic.h"
#include "experiment/experiment_state.h"
#include "textio/channels.h"
#include "textio/printer.h"
#include "clocks/wall_clock.h"

namespace novabit {

class StudyLog {
 public:
  StudyLog(Printer& printer, const WallClock& wallClock) : printer_(printer), wallClock_(wallClock) {}

  // Creates "estudio_" + today's date on `channel`, in `directory` (empty:
  // the working directory).
  ResultCode open(std::int32_t channel, const std::filesystem::path& directory = {});
  // The path of the last open, for messages.
  const std::string& name() const { return name_; }

  void write_quarter_record(const ExperimentState& state, Leaning leaning);
  void write_five_minute_record(const ExperimentState& state, Leaning leaning);
  void write_cycle_record(const ExperimentState& state);

 private:
  void write_picture(int channel, const char* picture, std::optional<double> value);
  void write_date_and_time(int channel);

  Printer& printer_;
  const WallClock& wallClock_;
  std::string name_;
};

}  // namespace novabit
