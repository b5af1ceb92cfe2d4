#include "screen/screen_lock.h"

namespace novabit {

ScreenLock::Guard::Guard(ScreenLock& lock) : lock_(lock), took_(!lock.held_by_this_thread()) {
  if (took_) {
    lock_.mutex_.lock();
    lock_.owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
  }
}

ScreenLock::Guard::~Guard() {
  if (took_) {
    lock_.owner_.store(std::thread::id{}, std::memory_order_relaxed);
    lock_.mutex_.unlock();
  }
}

}  // namespace novabit
