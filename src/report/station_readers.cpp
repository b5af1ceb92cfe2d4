#include "report/station_readers.h"

#include <sched.h>

#include <algorithm>

namespace novabit::report {

namespace {

// Seconds a file is read ahead at most, twice over: the batch the merger
// takes from and the one handed to it (about 80 kB each).
constexpr std::size_t kBatchSeconds = 2048;

// A batch of the stream's next seconds, up to its end or failure.
void fill(SecondStream& stream, std::vector<TrialSecond>& seconds, Next<TrialSecond>& last, bool& final) {
  seconds.clear();
  while (seconds.size() < kBatchSeconds) {
    Next<TrialSecond> read = stream.next();
    if (!read || !*read) {
      last = std::move(read);
      final = true;
      return;
    }
    seconds.push_back(**read);
  }
  final = false;
}

}  // namespace

std::size_t usable_cpus() {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  if (sched_getaffinity(0, sizeof cpus, &cpus) != 0) return 1;
  return static_cast<std::size_t>(std::max(CPU_COUNT(&cpus), 1));
}

StationReaders::StationReaders(const std::vector<SecondStream*>& streams, std::size_t readers)
    : files_(streams.size()) {
  std::size_t threads = std::min(readers == 0 ? usable_cpus() : readers, streams.size());
  if (threads < 2) threads = 0;
  for (std::size_t f = 0; f < streams.size(); ++f) {
    files_[f].stream = streams[f];
    files_[f].reader = threads == 0 ? 0 : f % threads;
    files_[f].ended = streams[f] == nullptr;
  }
  for (std::size_t reader = 0; reader < threads; ++reader) {
    threads_.emplace_back([this, reader](const std::stop_token& stop) { read(stop, reader); });
  }
}

void StationReaders::read(const std::stop_token& stop, std::size_t reader) {
  Batch batch;
  std::unique_lock lock(mutex_);
  for (;;) {
    // The first of its files whose batch the merger has taken.
    const auto wanted = [&] {
      return std::find_if(files_.begin(), files_.end(),
                          [&](const File& file) { return file.reader == reader && !file.ended && !file.full; });
    };
    // A wait that was stopped still says whether a batch is free: the thread would read on.
    taken_.wait(lock, stop, [&] { return wanted() != files_.end(); });
    if (stop.stop_requested()) return;
    File& file = *wanted();
    lock.unlock();
    fill(*file.stream, batch.seconds, batch.last, batch.final);
    lock.lock();
    std::swap(file.handed, batch);
    file.full = true;
    file.ended = file.handed.final;
    handed_.notify_all();
  }
}

Next<TrialSecond> StationReaders::next(std::size_t file) {
  File& at = files_[file];
  if (at.stream == nullptr) return std::nullopt;
  while (at.nextTaken == at.taken.seconds.size()) {
    if (at.taken.final) return at.taken.last;
    if (threads_.empty()) {
      // A batch at a time here too: reading a second of each file in turn
      // costs more in the caches than the parsing itself.
      fill(*at.stream, at.taken.seconds, at.taken.last, at.taken.final);
    } else {
      std::unique_lock lock(mutex_);
      handed_.wait(lock, [&] { return at.full; });
      std::swap(at.taken, at.handed);
      at.full = false;
      taken_.notify_all();
    }
    at.nextTaken = 0;
  }
  return at.taken.seconds[at.nextTaken++];
}

}  // namespace novabit::report
