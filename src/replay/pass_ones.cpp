#include "replay/pass_ones.h"

namespace novabit {

std::int64_t PassOnes::ones_between(std::int64_t first, std::int64_t last) {
  while (static_cast<std::int64_t>(cumulative_.size()) > kPassesKept && base_ < first - 1 - kPassesKept) {
    cumulative_.pop_front();
    ++base_;
  }
  return cumulative_[static_cast<std::size_t>(last - base_)] - cumulative_[static_cast<std::size_t>(first - 1 - base_)];
}

}  // namespace novabit
