#include "sources/buffered_source.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <utility>

namespace novabit {

namespace {

// The reader waits for room for a whole chunk, so that a fast source is read
// in large pieces rather than one pass's bytes at a time.
constexpr std::size_t kReadChunk = 4096;
constexpr std::size_t kCapacity = 16 * kReadChunk;
constexpr auto kLongestWait = std::chrono::milliseconds(50);

}  // namespace

BufferedSource::BufferedSource(std::unique_ptr<ByteReader> reader, SecondsClock& silenceClock)
    : reader_(std::move(reader)), silenceClock_(silenceClock), ring_(kCapacity), thread_([this] { read_ahead(); }) {}

BufferedSource::~BufferedSource() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  freed_.notify_one();
  reader_->interrupt();
  thread_.join();
}

TakeResult BufferedSource::take(PassBytes& bits) {
  std::uint64_t deliveries = 0;
  {
    std::unique_lock lock(mutex_);
    if (filled_ >= bits.size()) {
      const std::size_t first = std::min(bits.size(), ring_.size() - head_);
      std::copy_n(ring_.begin() + static_cast<std::ptrdiff_t>(head_), first, bits.begin());
      std::copy_n(ring_.begin(), bits.size() - first, bits.begin() + static_cast<std::ptrdiff_t>(first));
      head_ = (head_ + bits.size()) % ring_.size();
      const std::size_t roomBefore = ring_.size() - filled_;
      const bool roomForAChunk = roomBefore < kReadChunk && roomBefore + bits.size() >= kReadChunk;
      filled_ -= bits.size();
      lock.unlock();
      if (roomForAChunk) freed_.notify_one();
      // A pass that found its bits at once never reads the clock.
      if (lastLook_) look();
      passWait_ = std::exchange(waiting_, 0);
      silence_ = 0;
      lastLook_.reset();
      return TakeResult::taken;
    }
    if (streamEnd_) {
      endReason_ = *streamEnd_;
      return TakeResult::ended;
    }
    deliveries = deliveries_;
  }
  look();
  // The silence starts again with every delivery.
  if (deliveries != deliveriesSeen_) {
    deliveriesSeen_ = deliveries;
    silence_ = 0;
  } else if (silence_ >= kSilenceLimitSeconds) {
    endReason_ = "it delivered nothing for 10 seconds";
    return TakeResult::ended;
  }
  std::unique_lock lock(mutex_);
  delivered_.wait_for(lock, kLongestWait, [&] { return deliveries_ != deliveries || streamEnd_; });
  return TakeResult::waiting;
}

void BufferedSource::look() {
  const long double now = silenceClock_.clock_seconds();
  if (lastLook_ && now - *lastLook_ <= kLongestLookGapSeconds) {
    waiting_ += now - *lastLook_;
    silence_ += now - *lastLook_;
  }
  lastLook_ = now;
}

void BufferedSource::read_ahead() {
  std::array<std::uint8_t, kReadChunk> chunk{};
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      freed_.wait(lock, [&] { return stopping_ || ring_.size() - filled_ >= chunk.size(); });
      if (stopping_) return;
    }
    const Result<std::size_t> read = reader_->read(chunk);
    const std::size_t count = read ? *read : 0;
    {
      const std::lock_guard lock(mutex_);
      if (!read) {
        streamEnd_ = read.failure().message();
      } else if (count > 0) {
        const std::size_t tail = (head_ + filled_) % ring_.size();
        const std::size_t first = std::min(count, ring_.size() - tail);
        std::copy_n(chunk.begin(), first, ring_.begin() + static_cast<std::ptrdiff_t>(tail));
        std::copy_n(chunk.begin() + static_cast<std::ptrdiff_t>(first), count - first, ring_.begin());
        filled_ += count;
        ++deliveries_;
      }
    }
    delivered_.notify_one();
    if (count == 0) return;
  }
}

}  // namespace novabit
