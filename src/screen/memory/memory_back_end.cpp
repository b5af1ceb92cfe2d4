#include "screen/memory/memory_back_end.h"

#include <algorithm>

namespace novabit {

MemoryBackEnd::MemoryBackEnd()
    : accepts_([](const DisplayRequest&) { return true; }),
      picture_(static_cast<std::size_t>(kScreenWidth) * kScreenHeight) {}

Outcome MemoryBackEnd::open(const DisplayRequest& request) {
  const std::lock_guard lock(mutex_);
  requests_.push_back(request);
  if (!accepts_(request)) {
    gone_ = refusalGone_;
    return Failure{refusal_, 0};
  }
  open_ = true;
  current_ = request;
  title_ = request.title;
  return {};
}

bool MemoryBackEnd::display_gone() const {
  const std::lock_guard lock(mutex_);
  return gone_;
}

void MemoryBackEnd::close() {
  const std::lock_guard lock(mutex_);
  open_ = false;
}

void MemoryBackEnd::show_rows(const std::uint16_t* page, int firstRow, int lastRow) {
  std::unique_lock lock(mutex_);
  unstalled_.wait(lock, [this] { return !stalled_; });
  const auto offset = static_cast<std::ptrdiff_t>(firstRow) * kScreenWidth;
  const auto end = static_cast<std::ptrdiff_t>(lastRow + 1) * kScreenWidth;
  std::copy(page + offset, page + end, picture_.begin() + offset);
  shownRows_ += lastRow - firstRow + 1;
}

void MemoryBackEnd::poll_events(std::vector<WindowEvent>& events) {
  std::unique_lock lock(mutex_);
  unstalled_.wait(lock, [this] { return !stalled_; });
  events.insert(events.end(), events_.begin(), events_.end());
  events_.clear();
}

void MemoryBackEnd::set_title(const std::string& title) {
  const std::lock_guard lock(mutex_);
  title_ = title;
}

void MemoryBackEnd::beep(int frequencyHz, int durationMs) {
  const std::lock_guard lock(mutex_);
  beeps_.push_back({frequencyHz, durationMs});
}

void MemoryBackEnd::set_acceptance(std::function<bool(const DisplayRequest&)> accepts, std::string reason, bool gone) {
  const std::lock_guard lock(mutex_);
  accepts_ = std::move(accepts);
  refusal_ = std::move(reason);
  refusalGone_ = gone;
}

void MemoryBackEnd::push_event(const WindowEvent& event) {
  const std::lock_guard lock(mutex_);
  events_.push_back(event);
}

void MemoryBackEnd::stall(bool stalled) {
  {
    const std::lock_guard lock(mutex_);
    stalled_ = stalled;
  }
  unstalled_.notify_all();
}

bool MemoryBackEnd::is_open() const {
  const std::lock_guard lock(mutex_);
  return open_;
}

std::vector<DisplayRequest> MemoryBackEnd::open_requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

DisplayRequest MemoryBackEnd::current_request() const {
  const std::lock_guard lock(mutex_);
  return current_;
}

std::string MemoryBackEnd::title() const {
  const std::lock_guard lock(mutex_);
  return title_;
}

std::vector<MemoryBackEnd::Beep> MemoryBackEnd::beeps() const {
  const std::lock_guard lock(mutex_);
  return beeps_;
}

std::vector<std::uint16_t> MemoryBackEnd::picture() const {
  const std::lock_guard lock(mutex_);
  return picture_;
}

std::uint16_t MemoryBackEnd::shown_pixel(int x, int y) const {
  const std::lock_guard lock(mutex_);
  return picture_[static_cast<std::size_t>(y) * kScreenWidth + static_cast<std::size_t>(x)];
}

int MemoryBackEnd::shown_row_count() const {
  const std::lock_guard lock(mutex_);
  return shownRows_;
}

}  // namespace novabit
