#include "report/replay_bits.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <string>
#include <system_error>

#include "clocks/wall_clock.h"
#include "experiment/experiment_numbers.h"

namespace novabit::report {

namespace {

constexpr int kBytesPerPass = kBitsPerPass / 8;
// Passes replayed between looks at what has arrived.
constexpr std::int64_t kPassesPerStep = 3600;

std::string stream_text(std::FILE* stream) {
  std::string text;
  std::rewind(stream);
  for (int byte; (byte = std::fgetc(stream)) != EOF;) text += static_cast<char>(byte);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace

ReplayBits::~ReplayBits() {
  simulation_.reset();
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

ssize_t ReplayBits::take_bytes(void* replay, const char* bytes, std::size_t size) {
  auto& self = *static_cast<ReplayBits*>(replay);
  for (std::size_t i = 0; i < size; ++i) {
    self.onesInPass_ += std::popcount(static_cast<unsigned char>(bytes[i]));
    if (++self.bytesInPass_ == kBytesPerPass) {
      self.cumulative_.push_back(self.cumulative_.back() + self.onesInPass_);
      self.bytesInPass_ = 0;
      self.onesInPass_ = 0;
    }
  }
  return static_cast<ssize_t>(size);
}

Result<std::unique_ptr<ReplayBits>> ReplayBits::start(const std::string& sealFile, const Seal& seal) {
  const auto fail = [&sealFile](const std::string& why) { return Failure{sealFile + ": the replay " + why, 0}; };
  if (seal.source.kind != SourceSpec::Kind::keyed) {
    return fail("needs a run of the keyed generator; this run's bits came from " + source_text(seal.source));
  }
  auto replay = std::make_unique<ReplayBits>();
  std::string folder = (std::filesystem::temp_directory_path() / "novabit-replay-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return fail("has no scratch folder: " + std::string(std::strerror(errno)));
  replay->folder_ = folder;
  replay->bits_.reset(fopencookie(replay.get(), "w", {nullptr, &ReplayBits::take_bytes, nullptr, nullptr}));
  replay->errors_.reset(std::tmpfile());
  if (!replay->bits_ || !replay->errors_) return fail("cannot start: " + std::string(std::strerror(errno)));
  std::setvbuf(replay->bits_.get(), nullptr, _IONBF, 0);
  SimulatorOptions options;
  options.key = seal.key;
  options.source = seal.source;
  options.start = local_moment(seal.start).value_or(0);
  options.directory = folder;
  options.bits = "-";
  options.trialsRecord = false;
  options.screen = false;
  options.quiet = true;
  Simulation& simulation = replay->simulation_.emplace(options, replay->bits_.get(), replay->errors_.get());
  if (const std::optional<Failure> problem = simulation.creation_failure())
    return fail("cannot start: " + problem->message());
  if (!simulation.start()) return fail("cannot start: " + stream_text(replay->errors_.get()));
  return replay;
}

std::int64_t ReplayBits::ones_between(std::int64_t first, std::int64_t last) {
  while (base_ + static_cast<std::int64_t>(cumulative_.size()) - 1 < last) {
    const std::int64_t before = simulation_->passes_run();
    simulation_->run(kPassesPerStep);
    if (simulation_->passes_run() == before) return -1;
  }
  while (static_cast<std::int64_t>(cumulative_.size()) > kPassesKept && base_ < first - 1 - kPassesKept) {
    cumulative_.pop_front();
    ++base_;
  }
  return cumulative_[static_cast<std::size_t>(last - base_)] - cumulative_[static_cast<std::size_t>(first - 1 - base_)];
}

}  // namespace novabit::report
