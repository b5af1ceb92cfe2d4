#pragma once
// The raw records of a network read side by side by a few threads, each file
// a bounded batch of seconds ahead of the thread that merges them, so that
// memory grows with the number of files only. A file's seconds, then its end
// or its failure, come out of next() exactly as its own reader gives them,
// whatever the number of threads; a file's notes are written only by the
// thread that reads it, and may be read once next() has given its end.

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

#include "report/trial_second.h"

namespace novabit::report {

// The CPUs this process may run on, at least one.
std::size_t usable_cpus();

class StationReaders {
 public:
  // Reads each stream on from where it stands (a null one is at its end), by
  // at most `readers` threads (0: one per usable CPU) and no more than the
  // streams; with one, in the caller's thread, a batch at a time as the
  // threads read. Each stream is read to its
  // end, which a time range's reader sets itself, so that the notes on what
  // was read never depend on the threads. The streams outlive this.
  StationReaders(const std::vector<SecondStream*>& streams, std::size_t readers);
  // Stops the threads and waits for them, also while they read.
  ~StationReaders() = default;
  StationReaders(const StationReaders&) = delete;
  StationReaders& operator=(const StationReaders&) = delete;

  // The next second of stream `file`, nothing at its end, or its failure.
  Next<TrialSecond> next(std::size_t file);
  std::size_t threads() const { return threads_.size(); }

 private:
  struct Batch {
    std::vector<TrialSecond> seconds;
    Next<TrialSecond> last{std::nullopt};  // after them: the end, or a failure
    bool final = false;                    // nothing follows `last`
  };
  struct File {
    SecondStream* stream = nullptr;
    std::size_t reader = 0;
    Batch taken;  // the merger's alone
    std::size_t nextTaken = 0;
    Batch handed;        // passed from the reader to the merger under the lock
    bool full = false;   // `handed` waits for the merger
    bool ended = false;  // its final batch was handed: its reader's alone
  };
  void read(const std::stop_token& stop, std::size_t reader);

  std::vector<File> files_;
  std::mutex mutex_;
  std::condition_variable_any taken_;   // the merger took a batch
  std::condition_variable_any handed_;  // a reader handed one over
  std::vector<std::jthread> threads_;   // declared last, so that they stop first
};

}  // namespace novabit::report
