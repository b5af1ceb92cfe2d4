#pragma once
// What the kernel says of the system clock (adjtimex): whether a time server
// keeps it synchronised, and how far it may be off. A live run's UTC stamps
// are that clock's, and a network of stations pairs its seconds by them.

#include <string>
#include <string_view>

namespace novabit {

// A clock that may be off by more than this can stamp a pass with the wrong second.
inline constexpr double kClockErrorLimitSeconds = 0.5;

// adjtimex's answer as it gives it, read only.
struct KernelClockReading {
  int state = 0;                  // the call's result, TIME_OK to TIME_ERROR; -1 when refused
  int status = 0;                 // timex.status, with STA_UNSYNC
  long maxErrorMicroseconds = 0;  // timex.maxerror
};

class KernelClock {
 public:
  virtual ~KernelClock() = default;
  // From any thread.
  virtual KernelClockReading read() const = 0;
};

class SystemKernelClock final : public KernelClock {
 public:
  KernelClockReading read() const override;
};

struct ClockState {
  bool known = false;  // the kernel answered
  bool synchronized = false;
  double maxErrorSeconds = 0;
};

ClockState clock_state(const KernelClockReading& reading);
// "synchronized max_error_seconds=0.016", "unsynchronized max_error_seconds=16" or "unknown".
std::string clock_state_text(const ClockState& state);
// Whether such a text says the clock was synchronised and off by at most kClockErrorLimitSeconds.
bool clock_state_trusted(std::string_view text);

}  // namespace novabit
