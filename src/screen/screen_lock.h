#pragma once
// The one lock that guards the frame buffer, its row marks and the key buffer.
// A thread that already holds it can make further screen calls: their guards
// neither take nor release it.

#include <atomic>
#include <mutex>
#include <thread>

namespace novabit {

class ScreenLock {
 public:
  class Guard {
   public:
    explicit Guard(ScreenLock& lock);
    ~Guard();
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

   private:
    ScreenLock& lock_;
    bool took_;
  };

  [[nodiscard]] Guard hold() { return Guard(*this); }
  bool held_by_this_thread() const { return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id(); }

 private:
  std::mutex mutex_;
  // Only the holder ever finds its own id here, so relaxed order is enough.
  std::atomic<std::thread::id> owner_{};
};

}  // namespace novabit
