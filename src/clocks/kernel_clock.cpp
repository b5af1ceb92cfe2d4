#include "clocks/kernel_clock.h"

#include <sys/timex.h>

#include <charconv>

namespace novabit {

namespace {

constexpr std::string_view kSynchronized = "synchronized max_error_seconds=";

}  // namespace

KernelClockReading SystemKernelClock::read() const {
  timex clock{};  // modes 0: nothing is set
  const int state = adjtimex(&clock);
  return {state, clock.status, clock.maxerror};
}

// TIME_ERROR stands for any fault the kernel knows of, STA_UNSYNC among them.
ClockState clock_state(const KernelClockReading& reading) {
  if (reading.state < 0) return {};
  return {true, reading.state != TIME_ERROR && (reading.status & STA_UNSYNC) == 0,
          static_cast<double>(reading.maxErrorMicroseconds) / 1e6};
}

std::string clock_state_text(const ClockState& state) {
  if (!state.known) return "unknown";
  char digits[32];
  const auto written = std::to_chars(digits, digits + sizeof digits, state.maxErrorSeconds);
  std::string text(state.synchronized ? "" : "un");
  return text.append(kSynchronized).append(digits, written.ptr);
}

bool clock_state_trusted(std::string_view text) {
  if (!text.starts_with(kSynchronized)) return false;
  text.remove_prefix(kSynchronized.size());
  double seconds = 0;
  const auto read = std::from_chars(text.data(), text.data() + text.size(), seconds);
  return read.ec == std::errc{} && read.ptr == text.data() + text.size() && seconds <= kClockErrorLimitSeconds;
}

}  // namespace novabit
