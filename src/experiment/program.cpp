#include "experiment/program.h"

#include <string>

namespace novabit {

bool start_program(ExperimentDriver& driver, ChannelTable& channels, std::FILE* errors, std::string_view program) {
  if (driver.start() == StartResult::ready) return true;
  // The channel table's reason already names the file.
  const std::string reason = channels.last_error() == ResultCode::open_refused
                                 ? channels.open_failure()
                                 : driver.study_log_name() + ": no free file channel";
  std::fprintf(errors, "%.*s: cannot create the study log %s\n", static_cast<int>(program.size()), program.data(),
               reason.c_str());
  channels.close_all_channels();
  return false;
}

int end_program_status(ChannelTable& channels) {
  channels.close_all_channels();
  return channels.records_lost() ? 1 : 0;
}

int run_program(ExperimentDriver& driver, ChannelTable& channels, std::FILE* errors) {
  if (!start_program(driver, channels, errors)) return 1;
  driver.run();
  return end_program_status(channels);
}

}  // namespace novabit
