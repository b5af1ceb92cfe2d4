#pragma once
// The experiment's numbers: each base value once, everything else derived
// from them. Every part of the program that counts passes, bits, minutes or
// the hidden window's place takes them from here.

#include <cstdint>

namespace novabit {

// A pass draws this many bits, once a second of the seconds clock.
inline constexpr std::int32_t kBitsPerPass = 200;
inline constexpr std::int32_t kPassesPerMinute = 60;

// The checkpoints close a period of passes every 5 and every 15 minutes.
inline constexpr std::int32_t kFiveMinutePasses = 5 * kPassesPerMinute;
inline constexpr std::int32_t kQuarterPasses = 15 * kPassesPerMinute;
// Bits in a period's record: the n of its z.
inline constexpr std::int32_t kFiveMinuteBits = kFiveMinutePasses * kBitsPerPass;
inline constexpr std::int32_t kQuarterBits = kQuarterPasses * kBitsPerPass;

// A 12-hour cycle: minutes 0 to 719 of a pass a second, then one single pass
// in minute 720, at whose end the cycle ends.
inline constexpr std::int32_t kCycleMinutes = 720;
inline constexpr std::int32_t kPassesPerCycle = kCycleMinutes * kPassesPerMinute + 1;

// The hidden window forces the cycle minutes strictly between its start
// minute and the start plus its span.
inline constexpr std::int32_t kBiasWindowSpan = 100;
inline constexpr std::int32_t kBiasWindowMinutes = kBiasWindowSpan - 1;
// Inside it, one pass in this many (the one whose draw is the highest) has
// all its bits forced.
inline constexpr std::int32_t kBiasDrawValues = 10;

// Where the window may start: drawn once at start-up and anew at every cycle end.
struct WindowStarts {
  std::int32_t earliest;
  std::int32_t latest;
  constexpr std::int32_t count() const { return latest - earliest + 1; }
};
inline constexpr WindowStarts kFirstWindowStarts{60, 639};
inline constexpr WindowStarts kLaterWindowStarts{10, 609};

}  // namespace novabit
