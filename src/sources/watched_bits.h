#pragma once
// A source under watch. The bits of every pass go through the health tests as
// they are taken, before any forcing; a pass that waited for its bits beyond
// its second is late. Both are told without flooding the program's lines: the
// first alarm of each test at once, then at most one line a minute per test
// with the count since the last; the first late pass of an episode at once,
// then the episode's end with its count and its longest wait. The run goes
// on: what a failing or starved device means for a study is the researcher's
// decision, made with the raw record, which marks every such pass.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "experiment/pass_bits.h"
#include "sources/health_tests.h"

namespace novabit {

// A pass whose bits came later than this after it began them is late.
inline constexpr double kLateWaitSeconds = 1.0;
// While a test keeps firing, its lines are at least this far apart.
inline constexpr std::int64_t kAlarmLineSpacingSeconds = 60;

struct WatchReports {
  // Prints one line of the program's; empty: nothing is told.
  std::function<void(const std::string&)> line;
  // The seconds clock's second of the pass under way, which spaces the lines.
  std::function<std::int64_t()> second;
};

class WatchedBits final : public PassBits {
 public:
  // `sourceName` names the source in the lines.
  WatchedBits(PassBits& source, std::string sourceName, WatchReports reports = {});

  TakeResult take(PassBytes& bits) override;
  std::string end_reason() const override { return source_.end_reason(); }
  double waited_seconds() const override { return source_.waited_seconds(); }

  // The health tests that fired on the bits of the pass last taken, and whether it was late.
  PassMarks marks() const override { return {alarms_, passLate_}; }
  // At the run's end: the alarms not yet told, and a late episode still under way.
  void finish();

 private:
  struct AlarmLine {
    const char* test = "";
    std::optional<std::int64_t> toldAt{};  // the second of the last line
    std::int64_t untold = 0;               // alarms since then
    std::uint64_t lastBit = 0;
    std::int64_t lastPass = 0;
  };
  struct Episode {
    std::int64_t passes = 0;
    double longestWait = 0;
  };

  void watch_alarm(AlarmLine& alarm, std::optional<std::uint64_t> bit, std::int64_t second);
  // `after` ends the line.
  void tell(const AlarmLine& alarm, const char* after);
  void watch_lateness();
  void end_episode(const std::string& until);
  void say(const std::string& text) const;

  PassBits& source_;
  std::string sourceName_;
  WatchReports reports_;
  HealthTests tests_;
  HealthAlarms alarms_;
  std::array<AlarmLine, kHealthTests.size()> alarmLines_{
      {{health_test_name(kHealthTests[0])}, {health_test_name(kHealthTests[1])}}};
  std::int64_t passes_ = 0;
  bool passLate_ = false;
  std::optional<Episode> episode_;
};

}  // namespace novabit
