#pragma once
// A wait that must not last forever: unless the Deadline is destroyed within
// its limit, its own thread runs what was given for that case.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace novabit {

class Deadline {
 public:
  Deadline(std::chrono::milliseconds limit, std::function<void()> expired);
  // Cancels the deadline, or waits until `expired` has run.
  ~Deadline();
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable cancelled_;
  bool met_ = false;
  std::thread thread_;  // last: it starts once everything it uses is there
};

}  // namespace novabit
