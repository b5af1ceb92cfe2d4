// The wait's two paces measured on the real clock: not a timed benchmark but
// a run of the monitor's wiring, without a screen, for a window of real time.
//   bench_pace poll|sleep [seconds]       (default 300)
// Prints the CPU the run took (user and system, scaled to an hour of run) and
// how late each pass began after its whole second: the median, the 99th
// percentile and the maximum over the passes. scripts/bench-pace runs it on
// an idle and on a loaded machine.

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "clocks/seconds_clock.h"
#include "clocks/wall_clock.h"
#include "keystream/random_key.h"
#include "monitor/monitor.h"
#include "replay/given_key.h"
#include "sim_scratch.h"

namespace {

using namespace novabit;

// The steady clock, noting the first reading in each new whole second: how
// late the wait saw that second begin, which the pass's start follows at once.
class LatenessClock final : public SecondsClock {
 public:
  long double clock_seconds() override {
    const long double reading = clock_.clock_seconds();
    const long double second = std::floor(reading);
    if (second > lastSecond_ && lastSecond_ > 0) lateness_.push_back(static_cast<double>(reading - second));
    lastSecond_ = second;
    return reading;
  }
  void sleep_for(long double seconds) override { clock_.sleep_for(seconds); }
  std::vector<double>& lateness() { return lateness_; }

 private:
  SteadySecondsClock clock_;
  long double lastSecond_ = 0;
  std::vector<double> lateness_;
};

double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double at_fraction(const std::vector<double>& sorted, double fraction) {
  const auto index = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size()))) - 1;
  return sorted[std::min(index, sorted.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
  const std::string pace = argc > 1 ? argv[1] : "";
  const long seconds = argc > 2 ? std::atol(argv[2]) : 300;
  if ((pace != "poll" && pace != "sleep") || seconds < 2) {
    std::fprintf(stderr, "usage: bench_pace poll|sleep [seconds, at least 2]\n");
    return 2;
  }
  const bench::ScratchDirectory directory;
  LatenessClock clock;
  const SystemWallClock wallClock;
  GivenKey sealer(key_from_seed(1));
  MonitorSettings settings;
  settings.program = "bench_pace";
  settings.trialsRecord = true;
  settings.station = "bench";
  settings.driver.logDirectory = directory.path();
  settings.driver.pace = pace == "sleep" ? Pace::sleep : Pace::poll;
  Monitor monitor({{}, clock, wallClock, sealer, {}}, settings);
  if (const Outcome started = monitor.start(); !started) {
    std::fprintf(stderr, "bench_pace: %s\n", started.failure().message().c_str());
    return 1;
  }
  const long double begun = clock.clock_seconds();
  const double cpuBegun = cpu_seconds();
  monitor.run(seconds);
  const double cpu = cpu_seconds() - cpuBegun;
  const double wall = static_cast<double>(clock.clock_seconds() - begun);
  monitor.end_status();
  std::vector<double>& lateness = clock.lateness();
  std::sort(lateness.begin(), lateness.end());
  std::printf(
      "%s: %zu passes in %.1f s; CPU %.2f s, %.1f s per hour of run (%.2f %% of a core); "
      "lateness median %.3f ms, p99 %.3f ms, max %.3f ms\n",
      pace.c_str(), lateness.size(), wall, cpu, cpu / wall * 3600, cpu / wall * 100, at_fraction(lateness, 0.5) * 1e3,
      at_fraction(lateness, 0.99) * 1e3, lateness.back() * 1e3);
  return 0;
}
