#include "replay/replay.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>
#include <utility>

namespace novabit {

namespace {

// Passes replayed between looks at what has arrived.
constexpr std::int64_t kPassesPerStep = 3600;

}  // namespace

Replay::Replay(const RandomKey& key, const ReplayClocks& clocks, std::filesystem::path folder)
    : folder_(std::move(folder)),
      clock_(clocks.clockOrigin),
      wallClock_(clock_, clocks.start, clocks.clockZero),
      key_(key),
      driver_({ones_, printer_, bits_, clock_, wallClock_, keys_, key_}, {true, folder_, {}, true}) {
  // Thousands of records a second, read by nobody.
  channels_.set_durable_writes(false);
}

Replay::~Replay() {
  channels_.close_all_channels();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

Result<std::unique_ptr<Replay>> Replay::start(const RandomKey& key, const ReplayClocks& clocks) {
  std::string folder = (std::filesystem::temp_directory_path() / "novabit-replay-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return system_failure("has no scratch folder");
  std::unique_ptr<Replay> replay(new Replay(key, clocks, folder));
  if (const Outcome started = replay->driver_.start(); !started) return started.failure().after("cannot start: ");
  return replay;
}

std::int64_t Replay::ones_between(std::int64_t first, std::int64_t last) {
  while (ones_.passes() < last) driver_.run(kPassesPerStep);
  return ones_.ones_between(first, last);
}

}  // namespace novabit
