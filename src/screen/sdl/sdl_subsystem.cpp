#include <mutex>

#include "screen/sdl/sdl_handles.h"

namespace novabit {
namespace {

// SDL keeps its subsystems, and their reference counts, for the whole process; so does
// this record of the ones let go of.
struct SubsystemRecord {
  std::mutex mutex;
  Uint32 abandoned = 0;
};

SubsystemRecord& subsystem_record() {
  static SubsystemRecord record;
  return record;
}

}  // namespace

Result<std::unique_ptr<SdlSubsystem>> SdlSubsystem::start(Uint32 flags) {
  SubsystemRecord& record = subsystem_record();
  const std::lock_guard lock(record.mutex);
  if ((record.abandoned & flags) != 0) {
    return Failure{"the connection to the display was lost", 0};
  }
  // The program handles SIGINT, SIGTERM and SIGHUP itself; SDL must not turn them into SDL_QUIT.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(flags) != 0) {
    return Failure{std::string("SDL_InitSubSystem: ") + SDL_GetError(), 0};
  }
  return std::unique_ptr<SdlSubsystem>(new SdlSubsystem(flags));
}

SdlSubsystem::~SdlSubsystem() {
  if (started_) {
    const std::lock_guard lock(subsystem_record().mutex);
    SDL_QuitSubSystem(flags_);
  }
}

void SdlSubsystem::abandon() {
  if (started_) {
    const std::lock_guard lock(subsystem_record().mutex);
    subsystem_record().abandoned |= flags_;
    started_ = false;
  }
}

}  // namespace novabit
