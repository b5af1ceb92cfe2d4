#pragma once
// Shows the frame buffer through a display back end and turns the window's
// events into keys. Every 10 ms its thread takes the ScreenLock only to copy
// the band of changed rows and clear the row marks, and again to post keys;
// the display itself is never called under the lock, so a display call that
// hangs or never returns (a dying display server) cannot hold up the program.
// Without a thread the owner drives the same work through tick().

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "drawing/frame_buffer.h"
#include "screen/display_back_end.h"
#include "screen/key_buffer.h"
#include "screen/screen_lock.h"

namespace novabit {

class DisplayThread {
 public:
  // In order of preference.
  using BackEnds = std::vector<std::reference_wrapper<DisplayBackEnd>>;

  DisplayThread(ScreenLock& lock, BackEnds backEnds) : lock_(lock), backEnds_(std::move(backEnds)) {}
  ~DisplayThread() { stop(); }
  DisplayThread(const DisplayThread&) = delete;
  DisplayThread& operator=(const DisplayThread&) = delete;

  // Opens the display, trying every back end with the requested refresh rate
  // and then the default one, and all of them again with the full-screen
  // setting inverted. With `threaded` the opening already happens on the new
  // thread. When nothing opened, fails with the last refusal.
  Outcome start(FrameBuffer& frame, KeyBuffer& keys, const DisplayRequest& request, bool threaded);
  // Stops the thread and closes the back end. The caller must not hold the ScreenLock.
  void stop();
  // One update. Only for an owner that started without a thread.
  void tick();

  // The caller holds the ScreenLock.
  void set_title(const std::string& title) { pendingTitle_ = title; }
  // Why the display went away, once lost().
  std::string loss_reason();
  void beep(int frequencyHz, int durationMs);
  // Set once the display went away; nothing is shown after it. A switch between
  // full screen and window that neither setting can carry out only leaves the
  // screen unshown until one of them opens again, tried once a second.
  bool lost() const { return lost_.load(); }

 private:
  Outcome open_display(const DisplayRequest& request);
  void run(const DisplayRequest& request, std::promise<Outcome>& opened);
  void handle_events();
  void switch_full_screen();
  bool reopen();
  void lose_display(const std::string& reason);
  void post_keys(const WindowEvent& event);

  ScreenLock& lock_;
  BackEnds backEnds_;
  // Set before start() returns and cleared by stop(); in between only the
  // showing thread calls it, apart from beep.
  DisplayBackEnd* active_ = nullptr;
  // Only the showing thread touches these: the setting wanted (that of the
  // last open, or of a switch not yet carried out), whether the back end is
  // open or else how many ticks until it is tried again, the rows copied out
  // of the frame buffer, and the polled events.
  DisplayRequest request_;
  bool displayOpen_ = false;
  int ticksUntilReopen_ = 0;
  std::vector<std::uint16_t> rows_;
  std::vector<WindowEvent> events_;
  // These and what they point to are guarded by the ScreenLock while showing.
  FrameBuffer* frame_ = nullptr;
  KeyBuffer* keys_ = nullptr;
  std::optional<std::string> pendingTitle_;
  std::string lossReason_;

  std::thread thread_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> lost_{false};
};

}  // namespace novabit
