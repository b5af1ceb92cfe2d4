#include "sources/watched_bits.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace novabit {

namespace {

std::string seconds_text(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", seconds);
  return text;
}

}  // namespace

WatchedBits::WatchedBits(PassBits& source, std::string sourceName, WatchReports reports)
    : source_(source), sourceName_(std::move(sourceName)), reports_(std::move(reports)) {}

TakeResult WatchedBits::take(PassBytes& bits) {
  const TakeResult result = source_.take(bits);
  if (result != TakeResult::taken) return result;
  ++passes_;
  alarms_ = tests_.check(bits);
  const std::int64_t second = reports_.second ? reports_.second() : 0;
  for (std::size_t test = 0; test < kHealthTests.size(); ++test) {
    watch_alarm(alarmLines_[test], alarms_.fired(kHealthTests[test]), second);
  }
  watch_lateness();
  return result;
}

void WatchedBits::finish() {
  for (AlarmLine& alarm : alarmLines_) {
    if (alarm.untold > 0) tell(alarm, "");
    alarm = AlarmLine{alarm.test};
  }
  if (episode_) end_episode("until the run's end");
}

void WatchedBits::watch_alarm(AlarmLine& alarm, std::optional<std::uint64_t> bit, std::int64_t second) {
  if (bit) {
    ++alarm.untold;
    alarm.lastBit = *bit;
    alarm.lastPass = passes_;
  }
  if (alarm.untold == 0 || (alarm.toldAt && second - *alarm.toldAt < kAlarmLineSpacingSeconds)) return;
  tell(alarm, "; the run goes on");
  alarm.toldAt = second;
  alarm.untold = 0;
}

void WatchedBits::tell(const AlarmLine& alarm, const char* after) {
  const std::string where = "bit " + std::to_string(alarm.lastBit) + " (pass " + std::to_string(alarm.lastPass) + ")";
  const std::string count = std::to_string(alarm.untold) + " times since the last line, the last at ";
  say("the source " + sourceName_ + " failed the " + alarm.test + " health test " +
      (alarm.untold == 1 ? "at " : count) + where + after);
}

void WatchedBits::watch_lateness() {
  const double wait = source_.waited_seconds();
  passLate_ = wait > kLateWaitSeconds;
  if (!passLate_) {
    if (episode_) end_episode("until pass " + std::to_string(passes_ - 1));
    return;
  }
  if (!episode_) {
    episode_ = Episode{};
    say("the source " + sourceName_ + " is late: pass " + std::to_string(passes_) + " waited " + seconds_text(wait) +
        " for its bits; the run goes on");
  }
  episode_->passes += 1;
  episode_->longestWait = std::max(episode_->longestWait, wait);
}

void WatchedBits::end_episode(const std::string& until) {
  const std::int64_t passes = episode_->passes;
  say("the source " + sourceName_ + " was late " + until + ": " + std::to_string(passes) +
      (passes == 1 ? " late pass" : " late passes") + ", the longest wait " + seconds_text(episode_->longestWait));
  episode_.reset();
}

void WatchedBits::say(const std::string& text) const {
  if (reports_.line) reports_.line(text);
}

}  // namespace novabit
