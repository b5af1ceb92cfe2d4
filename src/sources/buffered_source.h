#pragma once
// A physical source read ahead of the passes: its own thread fills a bounded
// buffer from the byte stream, and a pass takes its 25 bytes from the buffer,
// so that reading never holds up a pass while bits are buffered.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "clocks/seconds_clock.h"
#include "experiment/pass_bits.h"
#include "sources/byte_reader.h"

namespace novabit {

// A source that delivers nothing for this long while a pass waits is taken
// to have stopped. Only the time the taking thread spends in its looks and
// short waits counts: a longer gap between two looks means the process was
// stopped or the machine suspended, and the reader gets its chance to catch
// up before the silence counts again.
inline constexpr long double kSilenceLimitSeconds = 10.0L;
inline constexpr long double kLongestLookGapSeconds = 2.0L;

class BufferedSource final : public PassBits {
 public:
  // Starts reading at once. `silenceClock` measures how long a pass waits,
  // and how long without a delivery; only the taking thread reads it.
  BufferedSource(std::unique_ptr<ByteReader> reader, SecondsClock& silenceClock);
  // Stops the reading thread, interrupting a read under way.
  ~BufferedSource() override;
  BufferedSource(const BufferedSource&) = delete;
  BufferedSource& operator=(const BufferedSource&) = delete;

  // Waits at most a twentieth of a second for bits that are not yet there.
  // A stream that ended with less than a pass's bytes left ends here too.
  TakeResult take(PassBytes& bits) override;
  std::string end_reason() const override { return endReason_; }
  double waited_seconds() const override { return static_cast<double>(passWait_); }

 private:
  void read_ahead();
  // Adds the time since the last look of this pass to the wait and the silence.
  void look();

  std::unique_ptr<ByteReader> reader_;
  SecondsClock& silenceClock_;

  // Shared with the reading thread, under mutex_.
  std::mutex mutex_;
  std::condition_variable delivered_;
  std::condition_variable freed_;
  std::vector<std::uint8_t> ring_;
  std::size_t head_ = 0;  // the oldest byte
  std::size_t filled_ = 0;
  std::uint64_t deliveries_ = 0;
  std::optional<std::string> streamEnd_;
  bool stopping_ = false;

  // The taking thread's own.
  std::uint64_t deliveriesSeen_ = 0;
  std::optional<long double> lastLook_;  // of the pass under way
  long double waiting_ = 0;              // the pass under way's wait so far
  long double silence_ = 0;
  long double passWait_ = 0;  // the last pass taken
  std::string endReason_;

  std::thread thread_;  // last: it starts once everything it uses is there
};

}  // namespace novabit
