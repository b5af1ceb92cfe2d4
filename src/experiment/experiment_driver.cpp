#include "experiment/experiment_driver.h"

#include <utility>

#include "experiment/bias_window.h"
#include "experiment/checkpoint_arithmetic.h"
#include "experiment/statistics.h"
#include "textio/formatting.h"

namespace novabit {

namespace {

constexpr std::int32_t kFiveMinutePasses = 300;
constexpr std::int32_t kQuarterPasses = 900;
constexpr std::int32_t kLastCycleMinute = 720;
constexpr std::int32_t kLastMinuteSecond = 59;
static_assert(kBitsPerPass == 8 * kPassBytes);

}  // namespace

ExperimentDriver::ExperimentDriver(const ExperimentDevices& devices, DriverOptions options)
    : devices_(devices),
      options_(std::move(options)),
      keyedBits_(devices.bits),
      passBits_(devices.passBits != nullptr ? *devices.passBits : keyedBits_),
      log_(devices.printer, devices.wallClock) {}

StartResult ExperimentDriver::start() {
  const std::int32_t logChannel = devices_.printer.channels().first_free_channel();
  state_ = ExperimentState{};
  state_.logFileNumber = logChannel;
  state_.startDate = date_text(devices_.wallClock.now());
  state_.startTime = time_text(devices_.wallClock.now());
  devices_.display.draw_frame(RunStart{state_.startDate, state_.startTime});
  devices_.display.draw_side_panel(state_.cyclesCompleted);
  if (log_.open(state_.logFileNumber, options_.logDirectory) != ResultCode::ok) return StartResult::log_not_created;
  // The key, not the start time, decides every draw: whoever sees the screen
  // cannot tell where the window lies.
  const auto key = devices_.sealer.seal_key({log_.name() + ".seal", state_.startDate, state_.startTime});
  if (!key) return StartResult::seal_not_written;
  keyCommitment_ = novabit::key_commitment(*key);
  devices_.bits.seed_random(*key);
  draw_first_bias_window(state_, devices_.bits);
  firstPass_ = true;
  return StartResult::ready;
}

RunEnd ExperimentDriver::run(std::optional<std::int64_t> maxPasses) {
  for (std::int64_t passes = 0; !maxPasses || passes < *maxPasses; ++passes) {
    if (const auto end = second_pass()) return *end;
  }
  return RunEnd::pass_limit;
}

std::optional<RunEnd> ExperimentDriver::second_pass() {
  const long double reading = devices_.clock.clock_seconds();
  state_.secondStart = nearest(reading);
  if (std::exchange(firstPass_, false)) devices_.sealer.note_first_reading(reading);
  state_.biasDraw = devices_.bits.random_below(10) + 1;
  // Nothing that decides the forcing changes during the bit loop.
  const bool forced = options_.biasEnabled && pass_is_forced(state_);
  // The bits are taken even when the pass is forced, so forcing leaves the
  // bits of later passes unchanged.
  if (const auto end = take_pass_bits()) return end;
  for (state_.bitIndex = 1; state_.bitIndex <= kBitsPerPass; ++state_.bitIndex) {
    if (space_read()) return RunEnd::space_key;
    draw_bit(forced);
  }
  if (options_.observer != nullptr) options_.observer->pass_counted(state_, forced);
  devices_.display.print_status_line(state_.secondsElapsed, state_.zerosThisSecond, state_.onesThisSecond);
  report_second(state_, devices_.display);
  if (state_.secondsElapsed % kQuarterPasses == 0) quarter_checkpoint(state_, devices_.display, log_);
  if (state_.secondsElapsed % kFiveMinutePasses == 0) five_minute_checkpoint(state_, devices_.display, log_);
  // Every quarter is also a five-minute checkpoint.
  const bool recorded = state_.secondsElapsed % kFiveMinutePasses == 0 || state_.cycleMinute >= kLastCycleMinute;
  advance_cycle_clock();
  if (recorded && options_.observer != nullptr) options_.observer->records_written();
  state_.secondsElapsed += 1;
  state_.zerosThisSecond = 0;
  state_.onesThisSecond = 0;
  devices_.display.print_separator();
  if (!wait_for_next_second()) return RunEnd::space_key;
  return std::nullopt;
}

std::optional<RunEnd> ExperimentDriver::take_pass_bits() {
  // A source that has no bits yet is asked again, the keys polled between.
  for (;;) {
    switch (passBits_.take(passBytes_)) {
      case TakeResult::taken:
        return std::nullopt;
      case TakeResult::ended:
        return RunEnd::source_ended;
      case TakeResult::waiting:
        if (space_read()) return RunEnd::space_key;
        break;
    }
  }
}

void ExperimentDriver::draw_bit(bool forced) {
  const auto index = static_cast<std::size_t>(state_.bitIndex - 1);
  state_.currentBit = (passBytes_[index / 8] >> (7 - index % 8)) & 1;
  if (forced) state_.currentBit = state_.biasBit;
  // Counted without a branch: a random bit defeats branch prediction.
  const std::int32_t one = state_.currentBit != 0 ? 1 : 0;
  state_.zerosThisSecond += 1 - one;
  state_.fiveMinZeros += 1 - one;
  state_.quarterZeros += 1 - one;
  state_.onesThisSecond += one;
  state_.fiveMinOnes += one;
  state_.quarterOnes += one;
  if (options_.observer != nullptr) options_.observer->bit_counted(state_.currentBit);
  devices_.display.print_bit(state_.currentBit);
}

void ExperimentDriver::advance_cycle_clock() {
  if (state_.cycleMinute >= kLastCycleMinute) {
    cycle_end(state_, devices_.display, log_, devices_.bits);
  } else if (state_.minuteSecond >= kLastMinuteSecond) {
    state_.minuteSecond = 0;
    state_.cycleMinute += 1;
  } else {
    state_.minuteSecond += 1;
  }
}

bool ExperimentDriver::wait_for_next_second() {
  // A busy poll: the pass ends at the first reading a whole second after its
  // rounded start, which locks the passes to the clock's whole seconds.
  while (devices_.clock.clock_seconds() - state_.secondStart < 1.0L) {
    if (space_read()) return false;
  }
  return true;
}

bool ExperimentDriver::space_read() { return devices_.keys.read_key() == " "; }

}  // namespace novabit
