#include "simulator/trace_file.h"

#include <cstdio>

namespace novabit {

TraceFile::TraceFile(OutputFile& file, bool revealBias) : file_(file), revealBias_(revealBias) {
  file_.write(revealBias_ ? "pass,cycle_minute,minute_second,zeros,ones,forced,bias_start_minute,bias_bit\n"
                          : "pass,cycle_minute,minute_second,zeros,ones\n");
}

void TraceFile::add_pass(const ExperimentState& state, bool forced) {
  char row[128];
  int length = std::snprintf(row, sizeof row, "%d,%d,%d,%d,%d", state.secondsElapsed, state.cycleMinute,
                             state.minuteSecond, state.zerosThisSecond, state.onesThisSecond);
  if (revealBias_) {
    length += std::snprintf(row + length, sizeof row - static_cast<std::size_t>(length), ",%d,%d,%d", forced ? 1 : 0,
                            state.biasStartMinute, state.biasBit);
  }
  row[length++] = '\n';
  file_.write(std::string_view(row, static_cast<std::size_t>(length)));
}

}  // namespace novabit
