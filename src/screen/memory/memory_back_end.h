#pragma once
// A display without a window: the picture is kept in memory. Tests script its
// failures and its window events; the simulator reads its picture. Every
// method is thread-safe.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "screen/display_back_end.h"

namespace novabit {

class MemoryBackEnd final : public DisplayBackEnd {
 public:
  struct Beep {
    int frequencyHz;
    int durationMs;
    bool operator==(const Beep&) const = default;
  };

  MemoryBackEnd();

  Outcome open(const DisplayRequest& request) override;
  std::string loss_reason() const override { return "the display was lost"; }
  bool display_gone() const override;
  void close() override;
  void show_rows(const std::uint16_t* page, int firstRow, int lastRow) override;
  void poll_events(std::vector<WindowEvent>& events) override;
  void set_title(const std::string& title) override;
  void beep(int frequencyHz, int durationMs) override;

  // Scripting. `accepts` decides each open; a refused open reports `reason`, and
  // with `gone` the display as gone.
  void set_acceptance(std::function<bool(const DisplayRequest&)> accepts, std::string reason = "display refused",
                      bool gone = false);
  // Delivered by the next poll_events.
  void push_event(const WindowEvent& event);
  // While stalled, show_rows and poll_events wait, as a call into a dying display server does.
  void stall(bool stalled);

  // Observation.
  bool is_open() const;
  std::vector<DisplayRequest> open_requests() const;  // every open tried, in order
  DisplayRequest current_request() const;             // of the last successful open
  std::string title() const;                          // the caption now shown
  std::vector<Beep> beeps() const;
  std::vector<std::uint16_t> picture() const;  // 800 x 600 as last shown
  std::uint16_t shown_pixel(int x, int y) const;
  int shown_row_count() const;  // rows received by show_rows so far

 private:
  mutable std::mutex mutex_;
  std::condition_variable unstalled_;
  bool stalled_ = false;
  std::function<bool(const DisplayRequest&)> accepts_;
  std::string refusal_;
  bool refusalGone_ = false;
  bool gone_ = false;
  bool open_ = false;
  std::vector<DisplayRequest> requests_;
  DisplayRequest current_;
  std::string title_;
  std::vector<Beep> beeps_;
  std::vector<WindowEvent> events_;
  std::vector<std::uint16_t> picture_;
  int shownRows_ = 0;
};

}  // namespace novabit
