#pragma once
// What happens to the counts of a pass after its bits: the per-second report,
// the quarter and five-minute checkpoints and the end of a cycle. Each tells
// `events` what happened and writes its record to the study log.

#include <optional>

#include "experiment/experiment_events.h"
#include "experiment/experiment_state.h"
#include "experiment/study_log.h"
#include "keystream/keyed_generator.h"

namespace novabit {

// Tells the pass, with its marks, and adds its leaning and deviation to both periods.
void report_second(ExperimentState& state, const PassMarks& marks, ExperimentEvents& events);

// Adds the quarter's averages to the global sums, counts the win, writes the
// record and starts a new quarter.
void quarter_checkpoint(ExperimentState& state, ExperimentEvents& events, StudyLog& log);

// The same for five minutes, without wins or global figures.
void five_minute_checkpoint(ExperimentState& state, ExperimentEvents& events, StudyLog& log);

// Draws the next cycle's BiasWindow, restarts the cycle clock and logs the completed cycle.
void cycle_end(ExperimentState& state, ExperimentEvents& events, StudyLog& log, BitSource& bits);

// The sum of the quarter averages over the quarters that side won; no value
// while that side has won none.
std::optional<double> global_one_average(const ExperimentState& state);
std::optional<double> global_zero_average(const ExperimentState& state);

}  // namespace novabit
