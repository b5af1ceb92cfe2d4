// How a live run meets its physical source, on virtual clocks: a FIFO whose
// writer falls silent, a FIFO and a serial terminal (a pseudo-terminal) whose
// writer goes away, and a device whose reads fail each end the run in order,
// with one line naming the source and the reason; a stop of the process or a
// suspend of the machine while the writer goes on is ridden out; a starved
// FIFO's late passes are told and marked, and the metrics say the source is
// down while they last; a stuck one's alarms all reach the
// raw record without flooding standard error. The silence clock moves a step
// at every reading and the writer writes on it, so nothing here sleeps.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <regex>
#include <string>

#include "clocks/virtual_clocks.h"
#include "monitor/monitor.h"
#include "replay/given_key.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/local_zone.h"
#include "support/simulator_run.h"

namespace novabit::testing {
namespace {

struct Feed {
  std::string path;
  int writer = -1;  // where the test writes the source's bytes; -1: nothing is written
};

Feed fifo() {
  if (mkfifo("fifo", 0600) != 0) std::abort();
  // Read and write: the open does not wait for a reader.
  return {"fifo", open("fifo", O_RDWR | O_CLOEXEC)};
}

Feed pseudo_terminal() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) std::abort();
  return {ptsname(master), master};
}

struct Ending {
  const char* name;
  std::function<Feed()> open;
  long double step;                                          // seconds per reading of the silence clock
  std::function<std::size_t(std::int64_t reading)> written;  // bytes written by then; reading 0: before the run
  bool writerLeaves;                                         // once all is written
  int passes;                                                // that the run counts
  const char* reason;
  std::int64_t jumpAt = 0;  // the reading at which the clock jumps, as after a stop or a suspend
  long double jump = 0;
  int latePasses = 0;  // the first passes, each late
  bool stuck = false;  // all bytes 0, else every byte value
};

void PrintTo(const Ending& ending, std::ostream* out) { *out << ending.name; }

// The silence clock, at whose readings the writer writes. It stands still
// until the first pass beyond those whose bytes were written before the run,
// so that their waits, if any, change nothing (on a busy machine the source's
// thread may take its time to read them), and counts its readings from there;
// what the writer writes then reaches the source's thread before the reading
// is given.
class WritingClock final : public SecondsClock {
 public:
  WritingClock(const Ending& ending, const Feed& feed, const std::string& bytes, std::function<int()> passUnderWay)
      : ending_(ending), feed_(feed), bytes_(bytes), passUnderWay_(std::move(passUnderWay)) {}
  long double clock_seconds() override {
    if (passUnderWay_() <= static_cast<int>(ending_.written(0) / 25)) return now_;
    now_ += ending_.step;
    if (++readings_ == ending_.jumpAt) now_ += ending_.jump;
    write_up_to(readings_);
    return now_;
  }
  std::int64_t readings() const { return readings_; }

  // The writer leaves once all is written, at the earliest at the first counted reading.
  void write_up_to(std::int64_t reading) {
    if (feed_.writer < 0 || sent_ > bytes_.size()) return;
    const std::size_t until = std::min(ending_.written(reading), bytes_.size());
    if (until > sent_ && write(feed_.writer, bytes_.data() + sent_, until - sent_) != ssize_t(until - sent_)) std::abort();
    for (int unread = 1, wait = 0; reading > 0 && until > sent_ && unread > 0 && wait < 10000; ++wait) {
      if (ioctl(feed_.writer, FIONREAD, &unread) != 0 || usleep(1000) != 0) break;
    }
    sent_ = until;
    if (reading > 0 && sent_ == bytes_.size() && ending_.writerLeaves) {
      close(feed_.writer);
      sent_ += 1;
    }
  }

 private:
  const Ending& ending_;
  const Feed& feed_;
  const std::string& bytes_;
  std::function<int()> passUnderWay_;
  long double now_ = 0;
  std::int64_t readings_ = 0;
  std::size_t sent_ = 0;
};

// The lines of alarms of a stuck source: each test's first alarm at once, then
// at most one line a minute of passes with the count since the last, all of
// them in the raw record.
void expect_alarm_lines(const std::string& errors, const RawRecord& raw) {
  for (const auto& [test, first] :
       {std::pair{"repetition_count", "bit 41 (pass 1)"}, {"adaptive_proportion", "bit 625 (pass 4)"}}) {
    const std::regex line(std::string("failed the ") + test +
                          " health test (at (bit \\d+ \\(pass \\d+\\))|(\\d+) times since the last line)");
    int lines = 0;
    int told = 0;
    for (auto found = std::sregex_iterator(errors.begin(), errors.end(), line); found != std::sregex_iterator(); ++found) {
      if (lines++ == 0) {
        EXPECT_EQ((*found)[2], first);
      }
      told += (*found)[3].matched ? std::stoi((*found)[3]) : 1;
    }
    EXPECT_LE(lines, 300 / 60 + 2) << test;
    EXPECT_EQ(told, std::count_if(raw.marks.begin(), raw.marks.end(),
                                  [&](const std::string& marks) { return marks.find(test) != std::string::npos; }))
        << test;
  }
}

class SourceEndingTest : public ::testing::TestWithParam<Ending> {};

TEST_P(SourceEndingTest, EndsTheRunInOrderOrRidesItOut) {
  const Ending& ending = GetParam();
  const LocalZone zone("UTC");
  const ScratchDirectory directory(true);
  std::string fed;
  for (int byte = 0; byte < ending.passes * 25; ++byte) fed += ending.stuck ? '\0' : static_cast<char>(byte * 7);
  const Feed feed = ending.open();
  SimulatedSecondsClock clock(1000);
  const SimulatedWallClock wallClock(clock, 1796630400, 1796630400 - 1000);  // 2026-12-07 08:00:00 UTC
  GivenKey sealer(kTestKey);
  std::unique_ptr<Monitor> monitor;
  WritingClock silence(ending, feed, fed, [&] { return monitor->driver().state().secondsElapsed; });
  // novabit_source_up as each pass is counted, before the metrics hear of it: as the pass before left it.
  struct PassEnds final : ExperimentEvents {
    std::function<void()> heard;
    void second_counted(const CountedSecond&) override { heard(); }
  } passEnds;
  std::vector<std::int64_t> sourceUp;
  passEnds.heard = [&] { sourceUp.push_back(metric_value(monitor->metrics_page(), "novabit_source_up")); };
  const std::string errorsFile = directory.file("errors");
  std::FILE* errors = std::fopen(errorsFile.c_str(), "w");
  const std::string source = "device:" + feed.path;
  MonitorSettings settings{"novabit", nullptr, errors, false, false, {}, *parse_source(source), true, "station-1", {}};
  settings.driver.biasEnabled = false;
  settings.metrics = ListenAddress{"127.0.0.1", 0};
  monitor = std::make_unique<Monitor>(MonitorDevices{{}, clock, wallClock, sealer, {}, &silence}, settings);
  monitor->add_listener(passEnds);
  ASSERT_TRUE(monitor->start());
  silence.write_up_to(0);
  EXPECT_EQ(monitor->run(1000), RunEnd::source_ended);
  EXPECT_EQ(monitor->driver().state().secondsElapsed - 1, ending.passes);
  EXPECT_EQ(monitor->end_status(), 1);
  std::fclose(errors);
  if (!ending.writerLeaves && feed.writer >= 0) {
    close(feed.writer);
    EXPECT_EQ(silence.readings(), 11) << "ten seconds of silence after the first reading";
  }
  const std::string stopped = "novabit: the source " + source + " stopped: " + ending.reason + "; the run ends\n";
  const RawRecord raw = read_raw_record(file_bytes("estudio_12-07-2026.trials.csv"));
  ASSERT_EQ(raw.rows.size(), static_cast<std::size_t>(ending.passes));
  for (int pass = 0; pass < ending.passes; ++pass) {
    int ones = 0;
    for (int byte = 0; byte < 25; ++byte) ones += std::popcount(static_cast<unsigned char>(fed[pass * 25 + byte]));
    char row[96];
    std::snprintf(row, sizeof row, "%d,2026-12-07T08:%02d:%02dZ,12-07-2026 08:%02d:%02d,%d,", pass + 1, pass / 60, pass % 60,
                  pass / 60, pass % 60, ones);
    EXPECT_TRUE(raw.rows[pass].starts_with(row)) << raw.rows[pass];
    if (!ending.stuck) {
      EXPECT_EQ(raw.marks[pass], pass < ending.latePasses ? "late" : "");
    }
  }
  // The metrics count what the raw record marks.
  const std::string page = monitor->metrics_page();
  for (const char* mark : {"late", "repetition_count", "adaptive_proportion"}) {
    const auto marked = std::count_if(raw.marks.begin(), raw.marks.end(),
                                      [&](const std::string& marks) { return marks.find(mark) != std::string::npos; });
    EXPECT_EQ(mark == std::string("late") ? metric_value(page, "novabit_late_passes_total")
                                          : metric_value(page, "novabit_health_alarms_total", mark),
              marked)
        << mark;
  }
  EXPECT_EQ(metric_value(page, "novabit_passes_total"), ending.passes);
  EXPECT_EQ(metric_value(page, "novabit_source_up"), 0);
  for (std::size_t p = 1; p < sourceUp.size(); ++p)
    EXPECT_EQ(sourceUp[p], raw.marks[p - 1] == "late" ? 0 : 1) << "after pass " << p;
  const std::string told = file_bytes(errorsFile);
  if (ending.stuck) {
    EXPECT_NE(told.find(stopped), std::string::npos) << told;
    expect_alarm_lines(told, raw);
  } else if (ending.latePasses > 0) {
    EXPECT_EQ(std::regex_replace(told, std::regex("waited \\d\\.\\d\\d s|wait \\d\\.\\d\\d s"), "W"),
              "novabit: the source " + source + " is late: pass 1 W for its bits; the run goes on\n" + "novabit: the source " +
                  source + " was late until pass " + std::to_string(ending.latePasses) + ": " +
                  std::to_string(ending.latePasses) + " late passes, the longest W\n" + stopped);
  } else {
    EXPECT_EQ(told, stopped);
  }
}

constexpr auto kAll = [](std::size_t bytes) { return [bytes](std::int64_t) { return bytes; }; };
// Two passes' bytes before the run; two more and the writer's leaving at the second reading after them.
constexpr auto kTwoLater = [](std::int64_t reading) -> std::size_t { return reading < 2 ? 50 : 100; };

INSTANTIATE_TEST_SUITE_P(Sources, SourceEndingTest,
                         ::testing::Values(Ending{"SilentFifo", fifo, 1, kAll(50), false, 2,
                                                  "it delivered nothing for 10 seconds"},
                                           Ending{"ClosedFifo", fifo, 1, kAll(50), true, 2, "end of file"},
                                           Ending{"SerialTerminal", pseudo_terminal, 1, kAll(275), true, 11, "end of file"},
                                           Ending{"FailingDevice", [] { return Feed{"/proc/self/mem"}; }, 1, kAll(0), false, 0,
                                                  "read failed: Input/output error"},
                                           Ending{"StoppedTwelveSeconds", fifo, 0.05L, kTwoLater, true, 4, "end of file", 2, 12},
                                           Ending{"SuspendedAnHour", fifo, 0.05L, kTwoLater, true, 4, "end of file", 2, 3600},
                                           // 20 bytes a second for three passes, then two at once.
                                           Ending{"StarvedFifo", fifo, 0.05L,
                                                  [](std::int64_t reading) -> std::size_t {
                                                    return std::min<std::int64_t>(reading, 75) + (reading > 75 ? 50 : 0);
                                                  },
                                                  true, 5, "end of file", 0, 0, 3},
                                           Ending{"StuckFifo", fifo, 1, kAll(7500), true, 300, "end of file", 0, 0, 0, true}));

}  // namespace
}  // namespace novabit::testing
