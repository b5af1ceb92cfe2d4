#include "screen/display_thread.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "screen/key_translation.h"

namespace novabit {
namespace {

constexpr auto kTickInterval = std::chrono::milliseconds(10);
// A display that opened neither setting is asked again once a second: each
// attempt may start the whole display system.
constexpr int kTicksBetweenReopens = 100;
// More repetitions than this would only overwrite each other in the ring.
constexpr int kMaxRepeat = KeyBuffer::kSlots;

}  // namespace

Outcome DisplayThread::start(FrameBuffer& frame, KeyBuffer& keys, const DisplayRequest& request, bool threaded) {
  frame_ = &frame;
  keys_ = &keys;
  pendingTitle_.reset();
  lossReason_.clear();
  stopRequested_ = false;
  lost_ = false;
  ticksUntilReopen_ = 0;
  if (!threaded) {
    return open_display(request);
  }
  std::promise<Outcome> opened;
  std::future<Outcome> result = opened.get_future();
  thread_ = std::thread([this, request, opened = std::move(opened)]() mutable { run(request, opened); });
  Outcome started = result.get();
  if (!started) {
    thread_.join();
  }
  return started;
}

void DisplayThread::run(const DisplayRequest& request, std::promise<Outcome>& opened) {
  const Outcome started = open_display(request);
  opened.set_value(started);
  if (!started) {
    return;
  }
  while (!stopRequested_.load() && !lost_.load()) {
    tick();
    std::this_thread::sleep_for(kTickInterval);
  }
  if (!lost_.load()) {
    active_->close();
  }
}

Outcome DisplayThread::open_display(const DisplayRequest& request) {
  std::vector<int> rates{request.refreshRate};
  Outcome refused = Failure{"no display available", 0};
  if (request.refreshRate != 0) {
    rates.push_back(0);
  }
  for (const bool fullScreen : {request.fullScreen, !request.fullScreen}) {
    for (DisplayBackEnd& backEnd : backEnds_) {
      for (const int rate : rates) {
        DisplayRequest attempt = request;
        attempt.fullScreen = fullScreen;
        attempt.refreshRate = rate;
        const Outcome opened = backEnd.open(attempt);
        if (opened) {
          active_ = &backEnd;
          request_ = attempt;
          displayOpen_ = true;
          rows_.resize(static_cast<std::size_t>(kScreenWidth) * kScreenHeight);
          return {};
        }
        refused = opened;
      }
    }
  }
  return refused;
}

void DisplayThread::stop() {
  if (thread_.joinable()) {
    stopRequested_ = true;
    thread_.join();
  } else if (active_ != nullptr && !lost_.load()) {
    active_->close();
  }
  active_ = nullptr;
  displayOpen_ = false;
  frame_ = nullptr;
  keys_ = nullptr;
}

void DisplayThread::tick() {
  if (active_ == nullptr || lost_.load()) {
    return;
  }
  if (!displayOpen_ && ticksUntilReopen_ > 0) {
    --ticksUntilReopen_;
    return;
  }
  if (!displayOpen_ && !reopen()) {
    return;
  }
  RowBand band;
  std::optional<std::string> title;
  {
    const ScreenLock::Guard guard(lock_);
    band = frame_->take_marked_band();
    if (!band.empty()) {
      const std::ptrdiff_t begin = static_cast<std::ptrdiff_t>(band.first) * kScreenWidth;
      const std::ptrdiff_t end = static_cast<std::ptrdiff_t>(band.last + 1) * kScreenWidth;
      std::copy(frame_->visible_page() + begin, frame_->visible_page() + end, rows_.begin() + begin);
    }
    title = std::exchange(pendingTitle_, std::nullopt);
  }
  if (title) {
    request_.title = *title;
    active_->set_title(*title);
  }
  if (!band.empty()) {
    active_->show_rows(rows_.data(), band.first, band.last);
  }
  events_.clear();
  active_->poll_events(events_);
  handle_events();
}

void DisplayThread::handle_events() {
  if (events_.empty()) {
    return;
  }
  int switches = 0;
  bool connectionLost = false;
  {
    const ScreenLock::Guard guard(lock_);
    for (const WindowEvent& event : events_) {
      connectionLost = event.kind == WindowEvent::Kind::connection_lost;
      if (connectionLost) {
        break;
      }
      if (event.kind == WindowEvent::Kind::switch_full_screen) {
        ++switches;
      } else {
        post_keys(event);
      }
    }
  }
  if (connectionLost) {
    lose_display(active_->loss_reason());
    return;
  }
  for (; switches > 0 && !lost_.load(); --switches) {
    switch_full_screen();
  }
}

void DisplayThread::post_keys(const WindowEvent& event) {
  KeyCode code = 0;
  switch (event.kind) {
    case WindowEvent::Kind::character:
      code = cp437_from_code_point(event.codePoint).value_or(0);
      break;
    case WindowEvent::Kind::key_down:
      code = extended_key_code(event.scanCode, event.modifiers);
      break;
    case WindowEvent::Kind::close_request:
      keys_->post(kCloseKey);
      return;
    default:
      return;
  }
  if (code == 0) {
    return;
  }
  for (int repeat = std::clamp(event.repeat, 1, kMaxRepeat); repeat > 0; --repeat) {
    keys_->post(code);
  }
}

void DisplayThread::switch_full_screen() {
  // Reopening can take long; the program keeps drawing meanwhile.
  if (std::exchange(displayOpen_, false)) {
    active_->close();
  }
  request_.fullScreen = !request_.fullScreen;
  reopen();
}

// Opens the back end with the wanted setting or else the other one, and shows
// the whole picture. When neither opens they are tried again a second later,
// unless the display itself is gone.
bool DisplayThread::reopen() {
  std::string refusal;
  for (const bool fullScreen : {request_.fullScreen, !request_.fullScreen}) {
    DisplayRequest attempt = request_;
    attempt.fullScreen = fullScreen;
    const Outcome opened = active_->open(attempt);
    if (opened) {
      request_ = attempt;
      displayOpen_ = true;
      const ScreenLock::Guard guard(lock_);
      frame_->mark_all();
      return true;
    }
    refusal = opened.failure().message();
  }
  if (active_->display_gone()) {
    lose_display(refusal);
  }
  ticksUntilReopen_ = kTicksBetweenReopens;
  return false;
}

void DisplayThread::lose_display(const std::string& reason) {
  active_->close();
  displayOpen_ = false;
  const ScreenLock::Guard guard(lock_);
  lossReason_ = reason;
  lost_ = true;
}

std::string DisplayThread::loss_reason() {
  const ScreenLock::Guard guard(lock_);
  return lossReason_;
}

void DisplayThread::beep(int frequencyHz, int durationMs) {
  if (active_ != nullptr && !lost_.load()) {
    active_->beep(frequencyHz, durationMs);
  }
}

}  // namespace novabit
