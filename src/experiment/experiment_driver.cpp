#include "experiment/experiment_driver.h"

#include <algorithm>
#include <utility>

#include "experiment/bias_window.h"
#include "experiment/checkpoint_arithmetic.h"
#include "experiment/experiment_numbers.h"
#include "experiment/statistics.h"
#include "textio/formatting.h"

namespace novabit {

namespace {

// A key or a stop request is answered within one slice: 20 ms, two updates of
// the screen and well below the tenth of a second in which a press seems
// answered at once, at a cost of 50 wake-ups a second.
constexpr long double kSleepSlice = 0.020L;
// The last moment of the second, polled: a sleeper on a busy machine wakes
// up to a millisecond or two late.
constexpr long double kPolledEnd = 0.002L;

// ".NAME" for a file name, with every character but letters, digits, '.',
// '-' and '_' made '_'; nothing for no station.
std::string station_file_part(const std::string& station) {
  if (station.empty()) return {};
  std::string part = "." + station;
  for (char& c : part) {
    const bool kept =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
    if (!kept) c = '_';
  }
  return part;
}

}  // namespace

ExperimentDriver::ExperimentDriver(const ExperimentDevices& devices, DriverOptions options)
    : devices_(devices),
      options_(std::move(options)),
      keyedBits_(devices.bits),
      passBits_(devices.passBits != nullptr ? *devices.passBits : keyedBits_),
      log_(devices.printer, devices.wallClock) {}

Outcome ExperimentDriver::start() {
  state_ = ExperimentState{};
  state_.logFileNumber = devices_.printer.channels().first_free_channel();
  const LocalTime start = devices_.wallClock.now();
  state_.startDate = date_text(start);
  state_.startTime = time_text(start);
  devices_.events.run_started({state_.startDate, state_.startTime});
  if (Outcome opened = log_.open(state_.logFileNumber, options_.logDirectory, options_.replay); !opened) {
    return opened.failure().after("cannot create the study log ");
  }
  // The key, not the start time, decides every draw: whoever sees the screen
  // cannot tell where the window lies.
  const std::filesystem::path logPath(log_.name());
  const std::filesystem::path sealPath =
      options_.sealDirectory.empty()
          ? logPath.parent_path() / (logPath.filename().string() + ".seal")
          : options_.sealDirectory / (logPath.filename().string() + station_file_part(options_.station) + ".seal");
  const Result<RandomKey> key = devices_.sealer.seal_key({sealPath.string(), start, options_.station});
  if (!key) return key.failure().after("cannot write the seal ");
  keyCommitment_ = novabit::key_commitment(*key);
  devices_.bits.seed_random(*key);
  draw_first_bias_window(state_, devices_.bits);
  firstPass_ = true;
  return {};
}

RunEnd ExperimentDriver::run(std::optional<std::int64_t> maxPasses) {
  for (std::int64_t passes = 0; !maxPasses || passes < *maxPasses; ++passes) {
    if (const auto end = second_pass()) return *end;
  }
  return RunEnd::pass_limit;
}

std::optional<RunEnd> ExperimentDriver::second_pass() {
  const long double reading = devices_.clock.clock_seconds();
  const std::int32_t previousSecond = state_.secondStart;
  state_.secondStart = nearest(reading);
  const bool first = std::exchange(firstPass_, false);
  // Every second is accounted for: the ones between this pass's and the last one's had no pass.
  const std::int32_t skipped = first ? 0 : std::max(0, state_.secondStart - previousSecond - 1);
  // The sealer's owner counts a clock line that could not be added; the run goes on.
  if (first) static_cast<void>(devices_.sealer.note_first_reading(reading));
  state_.biasDraw = devices_.bits.random_below(kBiasDrawValues) + 1;
  // Nothing that decides the forcing changes during the bit loop.
  forced_ = options_.biasEnabled && pass_is_forced(state_);
  // The bits are taken even when the pass is forced, so forcing leaves the
  // bits of later passes unchanged.
  if (const auto end = take_pass_bits()) return end;
  passMarks_.skippedBefore = skipped;
  passMarks_.beganBeforeItsSecond = reading < state_.secondStart;
  for (state_.bitIndex = 1; state_.bitIndex <= kBitsPerPass; ++state_.bitIndex) {
    if (const auto end = poll_keys()) return end;
    draw_bit();
  }
  report_second(state_, passMarks_, devices_.events);
  if (state_.secondsElapsed % kQuarterPasses == 0) quarter_checkpoint(state_, devices_.events, log_);
  if (state_.secondsElapsed % kFiveMinutePasses == 0) five_minute_checkpoint(state_, devices_.events, log_);
  // Every quarter is also a five-minute checkpoint.
  const bool recorded = state_.secondsElapsed % kFiveMinutePasses == 0 || state_.cycleMinute >= kCycleMinutes;
  advance_cycle_clock();
  state_.secondsElapsed += 1;
  state_.zerosThisSecond = 0;
  state_.onesThisSecond = 0;
  devices_.events.pass_ended(recorded);
  return wait_for_next_second();
}

std::optional<RunEnd> ExperimentDriver::take_pass_bits() {
  // A source that has no bits yet is asked again, the keys polled between.
  for (;;) {
    switch (passBits_.take(passBytes_)) {
      case TakeResult::taken:
        passMarks_ = passBits_.marks();
        return std::nullopt;
      case TakeResult::ended:
        return RunEnd::source_ended;
      case TakeResult::waiting:
        if (const auto end = poll_keys()) return end;
        break;
    }
  }
}

void ExperimentDriver::draw_bit() {
  const auto index = static_cast<std::size_t>(state_.bitIndex - 1);
  state_.currentBit = (passBytes_[index / 8] >> (7 - index % 8)) & 1;
  if (forced_) state_.currentBit = state_.biasBit;
  // Counted without a branch: a random bit defeats branch prediction.
  const std::int32_t one = state_.currentBit != 0 ? 1 : 0;
  state_.zerosThisSecond += 1 - one;
  state_.fiveMin.zeros += 1 - one;
  state_.quarter.zeros += 1 - one;
  state_.onesThisSecond += one;
  state_.fiveMin.ones += one;
  state_.quarter.ones += one;
  devices_.events.bit_counted(state_.currentBit);
}

void ExperimentDriver::advance_cycle_clock() {
  if (state_.cycleMinute >= kCycleMinutes) {
    cycle_end(state_, devices_.events, log_, devices_.bits);
  } else if (state_.minuteSecond >= kPassesPerMinute - 1) {
    state_.minuteSecond = 0;
    state_.cycleMinute += 1;
  } else {
    state_.minuteSecond += 1;
  }
}

std::optional<RunEnd> ExperimentDriver::wait_for_next_second() {
  // The pass ends at the first reading a whole second after its rounded
  // start, which locks the passes to the clock's whole seconds. A sleep stops
  // short of the second, since a loaded machine wakes a sleeper late, and the
  // poll takes the rest.
  const long double end = state_.secondStart + 1.0L;
  for (long double now = devices_.clock.clock_seconds(); now < end; now = devices_.clock.clock_seconds()) {
    if (const auto ended = poll_keys()) return ended;
    if (options_.pace == Pace::sleep && end - now > kPolledEnd) {
      devices_.clock.sleep_for(std::min(kSleepSlice, end - now - kPolledEnd));
    }
  }
  return std::nullopt;
}

std::optional<RunEnd> ExperimentDriver::poll_keys() {
  switch (devices_.keys.read_key()) {
    case Key::space:
      return RunEnd::space_key;
    case Key::stop:
      return RunEnd::stop_requested;
    case Key::none:
    case Key::other:
      break;
  }
  return std::nullopt;
}

}  // namespace novabit
