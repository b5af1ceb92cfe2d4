#pragma once
// What happens to the counts of a pass after its StatusLine: the per-second
// report, the quarter and five-minute checkpoints and the end of a cycle.

#include "display/monitor_display.h"
#include "experiment/experiment_state.h"
#include "experiment/study_log.h"
#include "keystream/bit_source.h"

namespace novabit {

// Shows the pass's leaning, adds its deviation to the period sums, plots its point.
void report_second(ExperimentState& state, MonitorDisplay& display);

// Turns the quarter's sums into averages, adds them to the global sums, counts
// the win, draws the dot, writes the record and starts a new quarter.
void quarter_checkpoint(ExperimentState& state, MonitorDisplay& display, StudyLog& log);

// The same for five minutes, without wins or global figures; moves checkpointX on.
void five_minute_checkpoint(ExperimentState& state, MonitorDisplay& display, StudyLog& log);

// Draws the next cycle's BiasWindow, restarts the cycle clock and shows and
// logs the completed cycle.
void cycle_end(ExperimentState& state, MonitorDisplay& display, StudyLog& log, BitSource& bits);

}  // namespace novabit
