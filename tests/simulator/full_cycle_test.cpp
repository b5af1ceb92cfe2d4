// A whole cycle and a little more through the simulator with every output,
// against the live program's composition (the screen display on a memory
// screen, the driver paced by a clock polled in small steps) on the same
// virtual time: the same study log byte for byte, the same pictures before
// the CycleEnd and at the end, and a trace and bit stream that agree with
// the log and the draws.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "display/forwarding_display.h"
#include "display/monitor_texts.h"
#include "display/picture.h"
#include "display/screen_display.h"
#include "experiment/experiment_driver.h"
#include "screen/end_steps.h"
#include "screen/graph_screen.h"
#include "screen/memory/memory_back_end.h"
#include "simulator/simulator_fixture.h"
#include "textio/local_zone.h"

namespace novabit::testing {
namespace {

using namespace std::chrono_literals;

constexpr int kPasses = 43201 + 599;
constexpr int kSeed = 1000;
const std::chrono::sys_seconds kFirstPassTime = std::chrono::sys_days{2026y / 12 / 5} + 22h + 10min;
const char* const kLogName = "estudio_12-05-2026";

// Passes everything on and keeps the screen as it is just before each CycleEnd.
class CycleCapture final : public ForwardingDisplay {
 public:
  CycleCapture(MonitorDisplay& shown, const GraphScreen& screen) : ForwardingDisplay(shown), screen_(screen) {}
  std::vector<Picture> beforeCycleEnd;

  void redraw_cycle_display(const CyclePanel& panel, const RunStart& start) override {
    beforeCycleEnd.emplace_back(*screen_.frame());
    ForwardingDisplay::redraw_cycle_display(panel, start);
  }

 private:
  const GraphScreen& screen_;
};

struct LiveRun {
  std::string log;
  std::vector<Picture> beforeCycleEnd;
  Picture last;
};

// The live program's composition, with the screen in memory or without a screen.
LiveRun run_live(const std::filesystem::path& directory, bool withScreen) {
  ChannelTable channels(nullptr, nullptr);
  channels.set_durable_writes(false);
  EndSteps endSteps;
  MemoryBackEnd backEnd;
  GraphScreen screen(channels, endSteps, {backEnd}, GraphScreenOptions{false, "novabit"});
  if (withScreen) {
    screen.set_window_title(kWindowTitle);
    screen.set_screen_mode(19, 16, 4, 1, 0);
  }
  Printer printer(channels);
  SteppingClock clock(kSeed + 0.25L, 1.0L / 64);
  const VirtualWallClock wallClock(clock, kFirstPassTime - std::chrono::seconds(kSeed));
  BitSource bits;
  GivenKey sealer(testing::kTestKey);
  ScriptedKeys keys;
  ScreenDisplay display(screen, printer, wallClock);
  CycleCapture capture(display, screen);
  HeadlessDisplay noScreen;
  MonitorDisplay& shown = withScreen ? static_cast<MonitorDisplay&>(capture) : noScreen;
  ExperimentDriver driver({shown, printer, bits, clock, wallClock, keys, sealer}, DriverOptions{.logDirectory = directory});
  EXPECT_EQ(driver.start(), StartResult::ready);
  EXPECT_EQ(driver.run(kPasses), RunEnd::pass_limit);
  channels.close_all_channels();
  LiveRun run{file_bytes(directory / kLogName), std::move(capture.beforeCycleEnd), {}};
  if (withScreen) run.last = Picture(*screen.frame());
  return run;
}

// novabit-sim with the same seed and start and `extra` arguments, its log in `directory`.
SimulatorRun run_sim(const std::filesystem::path& directory, std::vector<std::string> extra) {
  std::vector<std::string> arguments = {"--passes", std::to_string(kPasses), "--seed", std::to_string(kSeed),
                                        "--start", "2026-12-05 22:10:00", "--dir", directory.string()};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  return run_simulator(arguments);
}

void expect_same_log(const std::string& log, const std::string& live) {
  EXPECT_EQ(log.size(), live.size());
  EXPECT_TRUE(log == live);
  // The run is long enough to hold records of every kind, on both dates.
  EXPECT_NE(log.find("12-06-2026ciclos de 12 horas completados:  1\r\n"), std::string::npos);
  EXPECT_NE(log.find(">>>>>12-05-2026 - 22:24:59 checkpoint 15"), std::string::npos);
  EXPECT_NE(log.find("\r\n12-06-2026 - 10:19:59 checkpoint 5"), std::string::npos);
}

// The screen costs seconds a cycle, so one test runs both programs with it.
TEST(CyclePictureTest, TheScreenAndTheLogAreTheLiveProgramsBeforeTheCycleEndAndAtTheEnd) {
  const LocalZone zone("UTC");
  const WorkingDirectory directory;
  const auto& path = directory.path();
  std::filesystem::create_directory(path / "live");
  const LiveRun live = run_live(path / "live", true);
  const SimulatorRun run = run_sim(path, {"--png", (path / "final.png").string(), "--cycle-png",
                                          (path / "run").string()});
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(run.errors, "");
  expect_same_log(file_bytes(path / kLogName), live.log);

  ASSERT_EQ(live.beforeCycleEnd.size(), 1U);
  EXPECT_FALSE(std::filesystem::exists(path / "run-cycle2.png"));
  const std::optional<Picture> cycle = Picture::read_png(path / "run-cycle1.png");
  ASSERT_TRUE(cycle);
  EXPECT_TRUE(same_picture(*cycle, live.beforeCycleEnd[0]));
  // Pass 43201's point in minute 720 is still there.
  EXPECT_NE(cycle->at(721, 30), 0);
  const std::optional<Picture> last = Picture::read_png(path / "final.png");
  ASSERT_TRUE(last);
  EXPECT_TRUE(same_picture(*last, live.last));
}

// Without the screen: the log, and a trace and bit stream that agree with it.
class FullCycleTest : public ::testing::Test {
 protected:
  struct Shared {
    WorkingDirectory directory;
    SimulatorRun run;
    LiveRun live;
    std::vector<TraceRow> trace;
    std::string traceHeader;
  };

  static void SetUpTestSuite() {
    // The live composition's wall clock counts in UTC.
    const LocalZone zone("UTC");
    shared_ = std::make_unique<Shared>();
    const auto& path = shared_->directory.path();
    std::filesystem::create_directory(path / "live");
    shared_->live = run_live(path / "live", false);
    shared_->run = run_sim(path, {"--no-screen", "--trace", (path / "trace.csv").string(), "--reveal-bias", "--bits",
                                  (path / "bits.bin").string()});
    shared_->trace = read_trace(path / "trace.csv", &shared_->traceHeader);
  }
  static void TearDownTestSuite() { shared_.reset(); }

  static const std::filesystem::path& path() { return shared_->directory.path(); }
  static std::string simulated_log() { return file_bytes(path() / kLogName); }

  static inline std::unique_ptr<Shared> shared_;
};

TEST_F(FullCycleTest, EndsQuietlyWithTheLiveProgramsLog) {
  EXPECT_EQ(shared_->run.status, 0);
  EXPECT_EQ(shared_->run.errors, "");
  EXPECT_EQ(shared_->run.output, "");
  expect_same_log(simulated_log(), shared_->live.log);
}

TEST_F(FullCycleTest, TheTraceHasOneRowPerPassOnTheCycleClock) {
  EXPECT_EQ(shared_->traceHeader, "pass,cycle_minute,minute_second,zeros,ones,forced,bias_start_minute,bias_bit");
  const auto& rows = shared_->trace;
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kPasses));
  EXPECT_EQ(file_bytes(path() / "trace.csv").find('\r'), std::string::npos);
  for (std::size_t index = 0; index < rows.size(); ++index) {
    const TraceRow& row = rows[index];
    const int place = static_cast<int>(index % 43201);
    ASSERT_EQ(row.pass, static_cast<int>(index + 1));
    ASSERT_EQ(row.cycleMinute * 60 + row.minuteSecond, place) << row.pass;
    ASSERT_EQ(row.zeros + row.ones, 200) << row.pass;
  }
}

// The counts of the records of one kind, larger first, as the log shows them.
struct RecordCounts {
  int zeros, ones;
  bool operator==(const RecordCounts&) const = default;
};
std::vector<RecordCounts> record_counts(const std::string& log, const std::string& kind) {
  std::vector<RecordCounts> records;
  for (auto at = log.find(kind); at != std::string::npos; at = log.find(kind, at + 1)) {
    const std::string line = log.substr(at, log.find("\r\n", at) - at);
    int first = 0, second = 0;
    EXPECT_EQ(std::sscanf(line.substr(line.find(" : ") + 3).c_str(), "%d %d", &first, &second), 2) << line;
    const bool onesFirst = line.find(" 1 > 0 ") != std::string::npos;
    records.push_back(onesFirst ? RecordCounts{second, first} : RecordCounts{first, second});
  }
  return records;
}

// The trace's sums over consecutive periods of `passes` passes.
std::vector<RecordCounts> period_sums(const std::vector<TraceRow>& rows, std::size_t passes) {
  std::vector<RecordCounts> sums;
  for (std::size_t end = passes; end <= rows.size(); end += passes) {
    RecordCounts sum{0, 0};
    for (std::size_t index = end - passes; index < end; ++index) {
      sum.zeros += rows[index].zeros;
      sum.ones += rows[index].ones;
    }
    sums.push_back(sum);
  }
  return sums;
}

TEST_F(FullCycleTest, TheTracesSumsAreTheLogsCounts) {
  const std::string log = simulated_log();
  const std::vector<RecordCounts> fiveMinutes = record_counts(log, "checkpoint 5");
  const std::vector<RecordCounts> quarters = record_counts(log, "checkpoint 15");
  EXPECT_EQ(fiveMinutes.size(), static_cast<std::size_t>(kPasses / 300));
  EXPECT_EQ(fiveMinutes, period_sums(shared_->trace, 300));
  EXPECT_EQ(quarters, period_sums(shared_->trace, 900));
}

TEST_F(FullCycleTest, TheTraceRevealsTheWindowAndItsForcedPasses) {
  BitSource twin;
  twin.seed_random(testing::kTestKey);
  const int firstWindow = twin.random_below(580) + 60;
  const int firstBit = twin.random_below(2);
  int forced = 0;
  for (const TraceRow& row : shared_->trace) {
    const bool firstCycle = row.pass <= 43201;
    if (firstCycle) {
      ASSERT_EQ(row.biasStartMinute, firstWindow);
      ASSERT_EQ(row.biasBit, firstBit);
    } else {
      ASSERT_GE(row.biasStartMinute, 10);
      ASSERT_LE(row.biasStartMinute, 609);
    }
    if (row.forced == 0) continue;
    ++forced;
    ASSERT_GT(row.cycleMinute, row.biasStartMinute) << row.pass;
    ASSERT_LT(row.cycleMinute, row.biasStartMinute + 100) << row.pass;
    ASSERT_EQ(row.biasBit == 1 ? row.ones : row.zeros, 200) << row.pass;
  }
  // About one pass in ten of the window's 99 minutes.
  EXPECT_GT(forced, 400);
  EXPECT_LT(forced, 800);
}

TEST_F(FullCycleTest, TheBitStreamHoldsEveryBitInDrawOrder) {
  const std::string bytes = file_bytes(path() / "bits.bin");
  ASSERT_EQ(bytes.size(), static_cast<std::size_t>(kPasses) * 25);
  const std::string bits = unpacked_bits(bytes);
  for (std::size_t pass = 0; pass < shared_->trace.size(); ++pass) {
    const auto ones = std::count(bits.begin() + static_cast<std::ptrdiff_t>(pass * 200),
                                 bits.begin() + static_cast<std::ptrdiff_t>(pass * 200 + 200), '1');
    ASSERT_EQ(ones, shared_->trace[pass].ones) << "pass " << pass + 1;
  }
  // The first pass's draws, the first bit in the top place of the first byte.
  BitSource twin;
  twin.seed_random(testing::kTestKey);
  for (int draw = 0; draw < 3; ++draw) twin.random_below(draw == 0 ? 580 : draw == 1 ? 2 : 10);
  std::string firstPass;
  for (int bit = 0; bit < 200; ++bit) firstPass += static_cast<char>('0' + twin.random_below(2));
  EXPECT_EQ(bits.substr(0, 200), firstPass);
}

}  // namespace
}  // namespace novabit::testing
