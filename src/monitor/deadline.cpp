#include "monitor/deadline.h"

namespace novabit {

Deadline::Deadline(std::chrono::milliseconds limit, std::function<void()> expired)
    : thread_([this, limit, expired = std::move(expired)] {
        std::unique_lock lock(mutex_);
        if (!cancelled_.wait_for(lock, limit, [this] { return met_; })) expired();
      }) {}

Deadline::~Deadline() {
  {
    const std::lock_guard lock(mutex_);
    met_ = true;
  }
  cancelled_.notify_one();
  thread_.join();
}

}  // namespace novabit
