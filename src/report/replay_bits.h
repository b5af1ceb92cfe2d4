#pragma once
// A sealed run of the keyed generator replayed through the simulator's own
// engine, in process and without a screen, giving the ones each pass counted
// (forced bits included). The counted bits come through a stream in memory,
// never the disk; the replay's study log goes to a scratch folder that is
// removed afterwards.

#include <cstdint>
#include <deque>
#include <sys/types.h>
#include <filesystem>
#include <memory>
#include <optional>

#include "seal/seal.h"
#include "simulator/simulation.h"
#include "base/failure.h"
#include "base/file_handles.h"

namespace novabit::report {

class ReplayBits {
 public:
  // A failure names the seal.
  static Result<std::unique_ptr<ReplayBits>> start(const std::string& sealFile, const Seal& seal);
  ReplayBits() = default;
  ~ReplayBits();
  ReplayBits(const ReplayBits&) = delete;
  ReplayBits& operator=(const ReplayBits&) = delete;

  // The ones of passes `first` to `last`. Passes are asked for in rising
  // order, `first` at most kPassesKept before the latest `last` asked for.
  std::int64_t ones_between(std::int64_t first, std::int64_t last);
  std::int64_t passes_run() const { return simulation_ ? simulation_->passes_run() : 0; }

  static constexpr std::int64_t kPassesKept = 2 * 900;

 private:
  static ssize_t take_bytes(void* replay, const char* bytes, std::size_t size);

  std::filesystem::path folder_;
  StdioFile bits_;
  StdioFile errors_;
  std::optional<Simulation> simulation_;
  // The ones of passes 0 (none) to base_ + size - 1, added up.
  std::deque<std::int64_t> cumulative_{0};
  std::int64_t base_ = 0;
  int bytesInPass_ = 0;
  std::int64_t onesInPass_ = 0;
};

}  // namespace novabit::report
