// Whole runs of the simulator, one table: each run's study log, trace, bit
// stream, raw record and pictures against the independent models (the log
// model from each pass's counts, the frame painted from the layout's
// coordinates), with every kind of source, the calibration run, every record
// form, and the runs that end early. Then a live run replayed from its seal,
// and two days on the screen across a year's end as a soak.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "experiment/bias_window.h"
#include "experiment/experiment_numbers.h"
#include "monitor/monitor.h"
#include "program/program_version.h"
#include "seal/entropy_sealer.h"
#include "seal/seal.h"
#include "simulator/simulation.h"
#include "simulator/simulator_main.h"
#include "simulator/simulator_options.h"
#include "support/expected_frame.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/local_zone.h"
#include "support/log_model.h"
#include "support/picture.h"
#include "support/simulator_run.h"

namespace novabit::testing {
namespace {

using namespace std::chrono_literals;

const std::string kLog = "estudio_12-05-2026";
const std::chrono::sys_seconds kFirstPass = std::chrono::sys_days{2026y / 12 / 5} + 22h + 10min;

// A pass's bits as '0' and '1' in a bit stream or a source file.
std::string pass_bits(const std::string& bytes, std::size_t pass) {
  return unpacked_bits(bytes.substr(pass * kPassBytes, kPassBytes));
}

std::string packed(const std::string& bits) {
  std::string bytes;
  for (std::size_t at = 0; at < bits.size(); at += 8) bytes += static_cast<char>(std::stoi(bits.substr(at, 8), nullptr, 2));
  return bytes;
}

// The trace of a keyed run: the model's counts on the cycle clock, the window
// of each cycle from the key, and the bits and raw record agreeing with it.
void expect_keyed_run(const RandomKey& key, const std::vector<PassCounts>& passes) {
  const std::vector<TraceRow> trace = read_trace("t.csv");
  const std::string bits = unpacked_bits(file_bytes("b.bin"));
  const RawRecord raw = read_raw_record(file_bytes(kLog + ".trials.csv"));
  ASSERT_EQ(trace.size(), passes.size());
  ASSERT_EQ(raw.ones.size(), passes.size());
  ASSERT_EQ(bits.size(), kBitsPerPass * passes.size());
  for (std::size_t pass = 0; pass < trace.size(); ++pass) {
    const TraceRow& row = trace[pass];
    const int inCycle = static_cast<int>(pass % kPassesPerCycle);
    const BiasWindowPlace window = bias_window_of_cycle(key, static_cast<std::int64_t>(pass / kPassesPerCycle), true);
    ASSERT_EQ((std::vector{row.pass, row.cycleMinute, row.minuteSecond, row.zeros, row.ones, row.biasStartMinute, row.biasBit,
                           raw.ones[pass]}),
              (std::vector{static_cast<int>(pass) + 1, inCycle / 60, inCycle % 60, passes[pass].zeros, passes[pass].ones,
                           window.startMinute, window.bit, passes[pass].ones}));
    const std::string shown = bits.substr(pass * kBitsPerPass, kBitsPerPass);
    ASSERT_EQ(std::count(shown.begin(), shown.end(), '1'), row.ones) << "pass " << pass + 1;
    if (row.forced == 1) {
      ASSERT_EQ(shown, std::string(kBitsPerPass, static_cast<char>('0' + row.biasBit)));
    }
  }
  EXPECT_TRUE(same_log(file_bytes(kLog), model_log(passes, kFirstPass)));
}

// The points and checkpoint dots of passes first..last of a cycle whose pass
// 1 is `cycleStart`, painted over `picture` in drawing order.
void paint_graph(Picture& picture, const std::vector<PassCounts>& passes, std::int64_t cycleStart, std::int64_t first,
                 std::int64_t last) {
  const auto leaning = [](const PassCounts& counts, Colour zero, Colour one) {
    return counts.zeros > counts.ones ? zero : counts.ones > counts.zeros ? one : Colour{0xFFFFFF};
  };
  PassCounts five, quarter;
  for (std::int64_t pass = 1; pass <= last; ++pass) {
    const PassCounts& counts = passes[static_cast<std::size_t>(pass - 1)];
    for (PassCounts* period : {&five, &quarter}) period->zeros += counts.zeros, period->ones += counts.ones;
    const std::int64_t inCycle = pass - cycleStart;
    if (pass >= first) {
      picture.set(static_cast<int>(inCycle / 60) + 1, static_cast<int>(inCycle % 60) + 30, leaning(counts, 0x4444FF, 0xFF4444));
    }
    for (const auto& [period, every, radius, zero, one] :
         {std::tuple{&quarter, 900, 2, 0x8888DDu, 0xDD8888u}, std::tuple{&five, 300, 1, 0x4444DDu, 0xDD4444u}}) {
      if (pass % every != 0) continue;
      // One pixel per hundredth of the period's expected count from the centre line, halves to even.
      const int y = static_cast<int>(std::nearbyint(115 + (period->zeros - period->ones) * 100.0 / (every * 100)));
      if (pass >= first) {
        Picture dotted = picture;
        paint_dot(dotted, static_cast<int>((pass - cycleStart + 299) / 300 * 5) + 1, y + 30, radius, leaning(*period, zero, one));
        for (int row = 30; row <= 202; ++row) {
          for (int x = 1; x <= 721; ++x) picture.copy_pixel(dotted, x, row);
        }
      }
      *period = PassCounts{};
    }
  }
}

// The quarter record's global average towards `side` ("UNO" or "CERO") last written to the log.
std::string last_global(const std::string& log, const std::string& side) {
  const std::string label = "global hacia el " + side + " en %: ";
  return log.substr(log.rfind(label) + label.size(), 5);
}

struct WholeRun {
  std::string name;
  std::vector<std::string> arguments;
  std::function<void()> prepare;  // the files the run reads
  int status;
  std::optional<std::string> errors;  // none: the health tests' alarms, not looked at
  std::function<void()> check;        // of the files it wrote
  std::size_t diskBytes = 0;          // the size of "disk", a tmpfs of its own; 0: none
};

// The arguments of a run whose first pass is at kFirstPass.
std::vector<std::string> started(std::vector<std::string> arguments) {
  arguments.insert(arguments.end(), {"--start", "2026-12-05 22:10:00"});
  return arguments;
}

const RandomKey kSeventySeven = key_from_seed(77);
const std::string kTwoCycles = std::to_string(2 * kPassesPerCycle + 599);

// clang-format off
const WholeRun kRuns[] = {
    // Two cycles and a little more, across midnight.
    {"keyed", started({"--no-screen", "--seed", "77", "--passes", kTwoCycles, "--trace", "t.csv", "--reveal-bias", "--bits", "b.bin",
              "--station", "north"}),
     {}, 0, "",
     [] {
       const auto passes = model_passes(kSeventySeven, 2 * kPassesPerCycle + 599);
       expect_keyed_run(kSeventySeven, passes);
       const std::string log = file_bytes(kLog);
       for (const char* shown : {"ciclos de 12 horas completados:  2\r\n", "12-06-2026 - "}) {
         EXPECT_NE(log.find(shown), std::string::npos) << shown;
       }
       const RawRecord raw = read_raw_record(file_bytes(kLog + ".trials.csv"));
       EXPECT_EQ(raw.head,
                 (std::vector<std::string>{"# program=novabit-sim " + std::string(program_version()), "# source=keyed",
                                           "# key_sha256=" + key_commitment(kSeventySeven), "# station=north",
                                           "pass,utc,local,ones,alarm"}));
       EXPECT_TRUE(raw.rows[0].starts_with("1,2026-12-05T22:10:00Z,12-05-2026 22:10:00,")) << raw.rows[0];
       EXPECT_TRUE(raw.rows.back().starts_with(kTwoCycles + ",2026-12-06T22:20:00Z,12-06-2026 22:20:00,"))
           << raw.rows.back();
     }},
    // Calibration: the window forces nothing, every draw stays the same.
    {"calibration", started({"--no-screen", "--no-bias", "--seed", "77", "--passes", kTwoCycles, "--trace", "t.csv", "--reveal-bias", "--bits", "b.bin"}),
     {}, 0, "",
     [] { expect_keyed_run(kSeventySeven, model_passes(kSeventySeven, 2 * kPassesPerCycle + 599, false)); }},
    // A file's bits pass on exactly but where the window, placed by the keyed generator, forces them.
    {"device", started({"--no-screen", "--seed", "11", "--passes", std::to_string(kPassesPerCycle + 1), "--source", "device:raw.bin",
      "--trace", "t.csv", "--reveal-bias", "--bits", "b.bin"}),
     [] {
       std::mt19937 random(5);
       std::string raw((kPassesPerCycle + 1) * kPassBytes, '\0');
       for (char& byte : raw) byte = static_cast<char>(random());
       write_bytes("raw.bin", raw);
     },
     0, "",
     [] {
       const std::vector<TraceRow> trace = read_trace("t.csv");
       const std::string raw = file_bytes("raw.bin");
       const std::string bits = file_bytes("b.bin");
       ASSERT_EQ(trace.size(), static_cast<std::size_t>(kPassesPerCycle + 1));
       int forced = 0;
       for (std::size_t pass = 0; pass < trace.size(); ++pass) {
         forced += trace[pass].forced;
         ASSERT_EQ(pass_bits(bits, pass), trace[pass].forced == 1 ? std::string(kBitsPerPass, char('0' + trace[pass].biasBit))
                                                                  : pass_bits(raw, pass))
             << "pass " << pass + 1;
       }
       EXPECT_GT(forced, 0);
       for (const std::size_t pass : {std::size_t{0}, trace.size() - 1}) {
         const BiasWindowPlace place = bias_window_of_cycle(key_from_seed(11), pass == 0 ? 0 : 1, false);
         EXPECT_EQ(trace[pass].biasStartMinute * 2 + trace[pass].biasBit, place.startMinute * 2 + place.bit);
       }
       EXPECT_EQ(read_raw_record(file_bytes(kLog + ".trials.csv")).head[1], "# source=device:raw.bin");
     }},
    // Crafted bits make every form of every record: balanced periods with and
    // without leaning seconds, quarters won by either side, a side without wins.
    {"every record form", started({"--no-screen", "--no-bias", "--passes", "2700", "--source", "device:bits.bin"}),
     [] {
       std::string bytes;
       for (int pass = 1; pass <= 2700; ++pass) {
         const int ones = pass <= 300 ? 100 : pass <= 600 ? 110 : pass <= 900 ? 80 : pass <= 1800 ? (pass % 2 ? 110 : 90) : 120;
         bytes += packed(std::string(static_cast<std::size_t>(ones), '1') + std::string(static_cast<std::size_t>(200 - ones), '0'));
       }
       write_bytes("bits.bin", bytes);
     },
     0, std::nullopt,
     [] {
       std::vector<PassCounts> passes;
       for (int pass = 1; pass <= 2700; ++pass) {
         const int ones = pass <= 300 ? 100 : pass <= 600 ? 110 : pass <= 900 ? 80 : pass <= 1800 ? (pass % 2 ? 110 : 90) : 120;
         passes.push_back({200 - ones, ones});
       }
       const std::string model = model_log(passes, kFirstPass);
       EXPECT_TRUE(same_log(file_bytes(kLog), model));
       for (const char* form : {"5min. 0 = 1", "5 min. 1 > 0", "5 min. 0 > 1", "15 min 0 > 1", "15min 0 = 1",
                                "15 min 1 > 0", "UNO en %: --.-- \r\n"}) {
         EXPECT_NE(model.find(form), std::string::npos) << form;
       }
     }},
    // The screen just before the first cycle's end and a few passes after it.
    {"pictures", started({"--seed", "77", "--passes", std::to_string(kPassesPerCycle + 3), "--cycle-png", "run", "--png", "final.png"}),
     {}, 0, "",
     [] {
       const auto passes = model_passes(kSeventySeven, kPassesPerCycle + 3);
       const RunStart start{"12-05-2026", "22:10:00"};
       const auto before = Picture::read_png("run-cycle1.png");
       const auto after = Picture::read_png("final.png");
       ASSERT_TRUE(before && after);
       Picture expected = expected_frame(start, "12-05-2026");
       paint_side_panel(expected, " 0", "", "");
       expected.copy_rows(*before, 16 * 16, 33 * 16 - 1);
       paint_graph(expected, passes, 1, 1, kPassesPerCycle);
       EXPECT_TRUE(same_picture(*before, expected));
       const std::string log = file_bytes(kLog);
       expected = expected_frame(start, "12-06-2026");
       paint_side_panel(expected, " 1", last_global(log, "UNO"), last_global(log, "CERO"));
       expected.copy_rows(*after, 16 * 16, 33 * 16 - 1);
       paint_graph(expected, passes, kPassesPerCycle + 1, kPassesPerCycle + 1, kPassesPerCycle + 3);
       EXPECT_TRUE(same_picture(*after, expected));
     }},
    // A source that ends: the whole passes before it are kept.
    {"source ends", started({"--no-screen", "--passes", "5", "--no-bias", "--source", "device:short.bin", "--bits", "b.bin"}),
     [] { write_bytes("short.bin", std::string(3 * kPassBytes + 24, '\x5A')); }, 1,
     "novabit-sim: the source device:short.bin stopped: end of file; the run ends\n",
     [] {
       EXPECT_EQ(file_bytes("b.bin"), std::string(3 * kPassBytes, '\x5A'));
       EXPECT_EQ(read_raw_record(file_bytes(kLog + ".trials.csv")).ones, std::vector<int>(3, 100));
     }},
    // A replay keeps its run's kind of source, which places the window.
    {"replay of a kernel run", {"--no-screen", "--passes", "1", "--seal", "run.seal", "--trace", "t.csv", "--reveal-bias"},
     [] { write_bytes("run.seal", seal_text({key_from_seed(3), {2026, 12, 5, 22, 10, 0}, {SourceSpec::Kind::kernel, {}}, {}})); },
     0, "",
     [] {
       EXPECT_EQ(read_trace("t.csv")[0].biasStartMinute, bias_window_of_cycle(key_from_seed(3), 0, false).startMinute);
       EXPECT_EQ(read_raw_record(file_bytes(kLog + ".replay.trials.csv")).head[1], "# source=kernel");
     }},
    // A disk that fills: the raw record first, then the study log; both keep whole records.
    {"full disk", started({"--no-screen", "--seed", "77", "--passes", "10000", "--dir", "disk"}), {}, 1,
     "novabit-sim: disk/" + kLog + ".trials.csv: write failed: No space left on device; the run goes on\n"
     "novabit-sim: disk/" + kLog + ": write failed: No space left on device; the run goes on\n"
     "novabit-sim: records lost: 8790 of disk/" + kLog + ".trials.csv, 19 of disk/" + kLog + "\n",
     [] {
       EXPECT_EQ(read_raw_record(file_bytes("disk/" + kLog + ".trials.csv")).rows.size(), 10000U - 8790);
       std::int64_t lost = 0;
       const std::string model = model_log(model_passes(kSeventySeven, 10000), kFirstPass);
       EXPECT_TRUE(records_in_order(file_bytes("disk/" + kLog), model, lost));
       EXPECT_EQ(lost, 19);
     },
     65536},
    {"full trace", started({"--no-screen", "--trace", "/dev/full", "--passes", "50000"}), {}, 1,
     "novabit-sim: /dev/full: No space left on device\n", {}},
    {"full bits", started({"--no-screen", "--bits", "/dev/full", "--passes", "50000"}), {}, 1,
     "novabit-sim: /dev/full: No space left on device\n", {}},
};
// clang-format on

void PrintTo(const WholeRun& run, std::ostream* out) { *out << run.name; }

class WholeRunTest : public ::testing::TestWithParam<WholeRun> {};

TEST_P(WholeRunTest, WritesWhatTheModelsSay) {
  const LocalZone zone("UTC");
  const ScratchDirectory directory(true);
  const WholeRun& run = GetParam();
  std::optional<SmallDisk> disk;
  if (run.diskBytes > 0 && disk.emplace("disk", run.diskBytes).unavailable()) GTEST_SKIP() << *disk->unavailable();
  if (run.prepare) run.prepare();
  const SimulatorRun ran = run_simulator(run.arguments);
  EXPECT_EQ(ran.status, run.status) << ran.errors;
  if (run.errors) {
    EXPECT_EQ(ran.errors, *run.errors);
  }
  if (run.check) run.check();
}

INSTANTIATE_TEST_SUITE_P(Table, WholeRunTest, ::testing::ValuesIn(kRuns), [](const auto& info) {
  std::string name = info.param.name;
  std::replace(name.begin(), name.end(), ' ', '_');
  return name;
});

// A reader that closes the pipe ends the run quietly with whole records (a
// stop is in the real programs' signal tables).
TEST(WholeRunEnds, AClosedPipeIsQuiet) {
  const ScratchDirectory directory(true);
  const auto previous = std::signal(SIGPIPE, SIG_IGN);
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  close(pipeEnds[0]);
  std::FILE* pipeOut = fdopen(pipeEnds[1], "w");
  std::FILE* errors = std::tmpfile();
  const char* arguments[] = {"--no-screen", "--passes", "1000000000", "--bits", "-", "--start", "2026-12-05 22:10:00"};
  EXPECT_EQ(simulator_main(arguments, {pipeOut, errors, false}), 0);
  EXPECT_EQ(std::ftell(errors), 0);
  std::fclose(errors);
  std::fclose(pipeOut);
  std::signal(SIGPIPE, previous);
  EXPECT_TRUE(file_bytes(kLog).ends_with("\r\n"));
}

// A live run, wired as the program is and keyed from the kernel's entropy,
// whose first pass began in the second half of a second, stopped for 3 s and
// starved for 2.5 s on the way: its seal and raw record replay it byte for
// byte, its skipped seconds included, and tell where its window lay. Replayed
// twice in the live run's folder, it leaves the live files as they were.
TEST(WholeRunReplay, ASealReplaysItsLiveRunByteForByteBesideIt) {
  const LocalZone zone("UTC");
  const ScratchDirectory directory(true);
  std::filesystem::create_directory("live");
  {
    SteppingClock clock(850000123.75L, 1.0L / 64);
    const VirtualWallClock wallClock(clock, std::chrono::sys_seconds(std::chrono::seconds(kYear2000Epoch)));
    EntropySealer sealer(SourceSpec{});
    MonitorSettings settings;
    settings.console = nullptr;
    settings.displayThread = false;
    settings.durableWrites = false;
    settings.trialsRecord = true;
    settings.driver.logDirectory = "live";
    Monitor live({{}, clock, wallClock, sealer, {}}, settings);
    struct Stops final : ExperimentEvents {
      SteppingClock* clock;
      int passes = 0;
      void pass_ended(bool) override { clock->jump(++passes == 400 ? 3 : passes == 1000 ? 2.5L : 0); }
    } stops;
    stops.clock = &clock;
    live.add_listener(stops);
    ASSERT_TRUE(live.start());
    live.run(1800);
    ASSERT_EQ(live.end_status(), 0);
  }
  const std::string day = "estudio_12-07-2026";  // 2026-12-07 23:08:43.75 UTC
  const std::string log = "live/" + day;
  const std::string seal = log + ".seal";
  const std::string liveLog = file_bytes(log);
  const std::string liveTrials = file_bytes(log + ".trials.csv");
  const std::vector<std::string> replay{"--no-screen", "--passes", "1800",  "--seal",        seal,           "--dir",
                                        "live",        "--trace",  "t.csv", "--reveal-bias", "--raw-record", log + ".trials.csv"};
  for (int time = 0; time < 2; ++time) ASSERT_EQ(run_simulator(replay).status, 0);
  EXPECT_EQ(file_bytes(log), liveLog);
  EXPECT_EQ(file_bytes(log + ".trials.csv"), liveTrials);
  EXPECT_TRUE(liveLog.starts_with("12-07-2026 - 23:13:43 checkpoint 5"));
  EXPECT_TRUE(same_log(file_bytes(log + ".replay"), liveLog));
  EXPECT_NE(liveTrials.find(",gap 2\r\n"), liveTrials.rfind(",gap 2\r\n")) << "two gaps of 2 s";
  EXPECT_EQ(read_raw_record(file_bytes(log + ".replay.trials.csv")).rows, read_raw_record(liveTrials).rows);
  EXPECT_EQ(entries_of("live"), (std::vector<std::string>{day, day + ".replay", day + ".replay.1", day + ".replay.trials.csv",
                                                          day + ".replay.trials.csv.1", day + ".seal", day + ".trials.csv"}));
  EXPECT_EQ(read_trace("t.csv")[0].biasStartMinute, bias_window_of_cycle(read_seal_file(seal)->key, 0, true).startMinute);
}

// Resident memory of this process (VmRSS), in kB.
long resident_kilobytes() {
  std::ifstream status("/proc/self/status");
  long kilobytes = 0;
  for (std::string field; status >> field;) {
    if (field == "VmRSS:") status >> kilobytes;
  }
  return kilobytes;
}

// Four cycles, as many as it takes to see memory stay flat, through a year's
// end.
TEST(SoakTest, TwoDaysWithTheScreenLogEveryRecordOnFlatMemory) {
  constexpr std::int64_t kPasses = 2 * 24 * 3600;
  const LocalZone zone("UTC");
  const ScratchDirectory directory(true);
  const CommandLine<SimulatorOptions> parsed =
      parse_arguments(std::vector<const char*>{"--passes", "172800", "--seed", "1000000", "--start", "2027-12-31 18:30:00"}, 0);
  ASSERT_TRUE(std::holds_alternative<SimulatorOptions>(parsed));
  std::vector<long> afterEachCycle;
  {
    Result<std::unique_ptr<Simulation>> created = Simulation::create(std::get<SimulatorOptions>(parsed), nullptr, stderr);
    ASSERT_TRUE(created);
    Simulation& simulation = **created;
    ASSERT_TRUE(simulation.start());
    while (simulation.passes_run() < kPasses) {
      simulation.run(std::min<std::int64_t>(kPassesPerCycle, kPasses - simulation.passes_run()));
      afterEachCycle.push_back(resident_kilobytes());
    }
    ASSERT_EQ(simulation.finish(), 0);
  }
  const auto passes = model_passes(key_from_seed(1000000), kPasses);
  EXPECT_TRUE(
      same_log(file_bytes("estudio_12-31-2027"), model_log(passes, std::chrono::sys_days{2027y / 12 / 31} + 18h + 30min)));
  ASSERT_GE(afterEachCycle.size(), 2U);
  EXPECT_LE(afterEachCycle.back(), afterEachCycle.front() + 1024) << "kB after the first and the last cycle";
}

}  // namespace
}  // namespace novabit::testing
