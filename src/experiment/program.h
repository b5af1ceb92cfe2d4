#pragma once
// The whole run as the programs see it: start-up, the passes until a space,
// and the one orderly end that closes the channels and gives the exit status.

#include <cstdio>
#include <string_view>

#include "experiment/experiment_driver.h"
#include "textio/channels.h"

namespace novabit {

// Returns the exit status: 1 when the study log could not be created (one
// line on `errors` names the file and the reason; no pass runs) or when
// records were lost on the way to the disk, else 0. Every channel is closed
// on return; whatever else the caller owns (the screen) it closes afterwards.
int run_program(ExperimentDriver& driver, ChannelTable& channels, std::FILE* errors);

// The two ends of run_program, for a caller that runs the passes itself.
// start_program reports a refused study log as `program`'s one line on
// `errors`, closes every channel and returns false.
bool start_program(ExperimentDriver& driver, ChannelTable& channels, std::FILE* errors,
                   std::string_view program = "novabit");
// Closes every channel; 1 when records were lost, else 0.
int end_program_status(ChannelTable& channels);

}  // namespace novabit
