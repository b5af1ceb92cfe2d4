#pragma once
// The end of the process when Xlib finds the connection to the X server broken in the
// middle of a call on the display thread. Xlib ends the process with a message of its own
// as soon as its handler returns, so the handler never returns. It marks the connection
// lost; the program's thread reads lost() at its key polls, ends its run, closes its files
// and calls files_closed(), which ends the process. Only while the program's thread is
// outside its run (before it, or after its files were closed, when it may be waiting for
// the display thread) does the handler end the process itself.

#include <atomic>
#include <functional>
#include <utility>

namespace novabit {

class LostConnectionEnd {
 public:
  // Tells the user `reason` and ends the process; it must not return. It runs once.
  using End = std::function<void(const char* reason)>;

  explicit LostConnectionEnd(End end) : end_(std::move(end)) {}
  LostConnectionEnd(const LostConnectionEnd&) = delete;
  LostConnectionEnd& operator=(const LostConnectionEnd&) = delete;

  bool lost() const { return lost_.load(); }
  // The program's thread, before it opens its files: from now on it reads lost() at its
  // key polls and never waits for the display thread until files_closed().
  void run_begins() { inRun_.store(true); }
  // The program's thread, once its files are closed: ends the process if the connection
  // was lost meanwhile.
  void files_closed();
  // Xlib's handler for the broken connection, on the display thread.
  [[noreturn]] void connection_broken();

 private:
  [[noreturn]] void end();

  End end_;
  // Each side stores its own flag before it reads the other's, both sequentially
  // consistent, so at least one of the two sees both and ends the process.
  std::atomic<bool> lost_{false};
  std::atomic<bool> inRun_{false};
  std::atomic_flag ending_;
};

}  // namespace novabit
