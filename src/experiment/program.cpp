#include "experiment/program.h"

#include <string>

namespace novabit {

int run_program(ExperimentDriver& driver, ChannelTable& channels, std::FILE* errors) {
  if (driver.start() != StartResult::ready) {
    // The channel table's reason already names the file.
    const std::string reason = channels.last_error() == ResultCode::open_refused
                                   ? channels.open_failure()
                                   : driver.study_log_name() + ": no free file channel";
    std::fprintf(errors, "novabit: cannot create the study log %s\n", reason.c_str());
    channels.close_all_channels();
    return 1;
  }
  driver.run();
  channels.close_all_channels();
  return channels.records_lost() ? 1 : 0;
}

}  // namespace novabit
