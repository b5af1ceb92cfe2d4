#include "screen/end_steps.h"

namespace novabit {

void EndSteps::run_all() {
  // A step may register another; it runs in the same pass.
  while (!steps_.empty()) {
    const std::function<void()> step = std::move(steps_.back());
    steps_.pop_back();
    step();
  }
}

}  // namespace novabit
