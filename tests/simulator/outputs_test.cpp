// The simulator's outputs on their own: the calibration run, a bit reader
// that goes away, outputs that fail, a stop request, the progress bar, a
// replayed live start, and the colours of its pictures.

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "display/picture.h"
#include "experiment/bias_window.h"
#include "experiment/experiment_driver.h"
#include "monitor/monitor.h"
#include "simulator/bit_stream.h"
#include "simulator/output_file.h"
#include "simulator/progress_bar.h"
#include "simulator/simulation.h"
#include "simulator/simulator_fixture.h"
#include "textio/local_zone.h"
#include "textio/seal.h"

namespace novabit::testing {
namespace {

const std::filesystem::path kGoldenStartUp =
    std::filesystem::path(__FILE__).parent_path().parent_path() / "display/golden/start_up.png";

TEST(CalibrationTest, WithoutTheBiasOnlyTheForcedPassesChange) {
  WorkingDirectory directory;
  const std::vector<std::string> common = {"--no-screen", "--seed", "77", "--start", "2026-12-05 22:10:00",
                                           "--reveal-bias"};
  for (const bool bias : {true, false}) {
    std::vector<std::string> arguments = common;
    const std::string name = bias ? "biased" : "calibration";
    arguments.insert(arguments.end(), {"--trace", name + ".csv", "--bits", name + ".bin", "--dir", "."});
    if (!bias) arguments.push_back("--no-bias");
    ASSERT_EQ(run_simulator(arguments).status, 0);
  }
  const std::vector<TraceRow> biased = read_trace("biased.csv");
  const std::vector<TraceRow> calibration = read_trace("calibration.csv");
  const std::string biasedBits = unpacked_bits(file_bytes("biased.bin"));
  const std::string calibrationBits = unpacked_bits(file_bytes("calibration.bin"));
  ASSERT_EQ(biased.size(), 43201U);
  ASSERT_EQ(calibration.size(), biased.size());
  ASSERT_EQ(calibrationBits.size(), biasedBits.size());
  int forced = 0;
  for (std::size_t pass = 0; pass < biased.size(); ++pass) {
    ASSERT_EQ(calibration[pass].forced, 0);
    ASSERT_EQ(calibration[pass].biasStartMinute, biased[pass].biasStartMinute);
    ASSERT_EQ(calibration[pass].biasBit, biased[pass].biasBit);
    const std::string unforced = calibrationBits.substr(pass * 200, 200);
    const std::string shown = biasedBits.substr(pass * 200, 200);
    if (biased[pass].forced == 1) {
      ++forced;
      ASSERT_EQ(shown, std::string(200, static_cast<char>('0' + biased[pass].biasBit)));
    } else {
      ASSERT_EQ(shown, unforced) << "pass " << pass + 1;
    }
  }
  EXPECT_GT(forced, 0);
}

TEST(BitReaderTest, AReaderThatClosesThePipeEndsTheRunQuietly) {
  WorkingDirectory directory;
  const auto previous = std::signal(SIGPIPE, SIG_IGN);
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  close(pipeEnds[0]);
  std::FILE* pipeOut = fdopen(pipeEnds[1], "w");
  std::FILE* errors = std::tmpfile();
  const char* arguments[] = {"--no-screen", "--passes", "1000000000", "--bits", "-", "--start", "2026-12-05 22:10:00"};
  const int status = simulator_main(arguments, {pipeOut, errors, false});
  EXPECT_EQ(status, 0);
  EXPECT_EQ(stream_bytes(errors), "");
  std::fclose(errors);
  std::fclose(pipeOut);
  std::signal(SIGPIPE, previous);
  // The study log holds whole records of the passes that ran.
  const std::string log = file_bytes(directory.path() / "estudio_12-05-2026");
  EXPECT_GT(log.size(), 0U);
  EXPECT_TRUE(log.ends_with("\r\n"));
}

TEST(OutputFailureTest, AFullDiskStopsTheRunWithStatusOne) {
  WorkingDirectory directory;
  for (const char* option : {"--trace", "--bits"}) {
    const SimulatorRun run = run_simulator({"--no-screen", option, "/dev/full", "--passes", "50000"});
    EXPECT_EQ(run.status, 1) << option;
    EXPECT_EQ(run.errors, "novabit-sim: /dev/full: No space left on device\n") << option;
  }
}

TEST(OutputFailureTest, AnOutputThatCannotBeCreatedRefusesTheRun) {
  WorkingDirectory directory;
  const SimulatorRun run = run_simulator({"--no-screen", "--trace", "/proc/novabit-trace.csv"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.errors.rfind("novabit-sim: /proc/novabit-trace.csv: ", 0), 0U) << run.errors;
  EXPECT_TRUE(std::filesystem::is_empty(directory.path()));
}

TEST(OutputFileTest, KeepsTheFirstFailureAndTellsAGoneReaderApart) {
  OutputFile full(std::filesystem::path("/dev/full"));
  full.write(std::string(1 << 17, 'x'));
  EXPECT_TRUE(full.failed());
  full.write("more");
  EXPECT_FALSE(full.close());
  EXPECT_EQ(full.failure(), "/dev/full: No space left on device");
  EXPECT_FALSE(full.reader_gone());

  const auto previous = std::signal(SIGPIPE, SIG_IGN);
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  close(pipeEnds[0]);
  std::FILE* pipeOut = fdopen(pipeEnds[1], "w");
  {
    OutputFile borrowed(pipeOut, "standard output");
    borrowed.write(std::string(1 << 17, 'x'));
    EXPECT_TRUE(borrowed.reader_gone());
    EXPECT_TRUE(borrowed.close());
    EXPECT_FALSE(borrowed.failed());
  }
  // A borrowed stream stays open.
  EXPECT_EQ(std::fclose(pipeOut), 0);
  std::signal(SIGPIPE, previous);
}

TEST(BitStreamTest, PacksEightBitsToAByteTheFirstOnTop) {
  WorkingDirectory directory;
  {
    OutputFile file(std::filesystem::path("bits.bin"));
    BitStream stream(file);
    for (const int bit : {1, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0}) stream.add(bit);
  }
  EXPECT_EQ(file_bytes("bits.bin"), "\xB1\x02");
}

TEST(StopRequestTest, StopsAfterThePassesUnderWayWithItsFilesComplete) {
  WorkingDirectory directory;
  const volatile std::sig_atomic_t stop = 1;
  const SimulatorRun run = run_simulator({"--no-screen", "--trace", "t.csv", "--passes", "5000"}, false, &stop);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.errors, "novabit-sim: stopped after 0 of 5000 passes; the files hold those passes\n");
  EXPECT_EQ(file_bytes("t.csv"), "pass,cycle_minute,minute_second,zeros,ones\n");
}

TEST(ProgressTest, ShownOnATerminalUnlessQuiet) {
  WorkingDirectory directory;
  const SimulatorRun shown = run_simulator({"--no-screen", "--passes", "3000"}, true);
  EXPECT_EQ(shown.status, 0);
  EXPECT_NE(shown.errors.find("3000/3000 passes"), std::string::npos) << shown.errors;
  EXPECT_TRUE(shown.errors.ends_with(" left\x1b[K\n")) << shown.errors;
  EXPECT_EQ(run_simulator({"--no-screen", "--passes", "3000", "--quiet"}, true).errors, "");
  EXPECT_EQ(run_simulator({"--no-screen", "--passes", "3000"}, false).errors, "");
}

TEST(ProgressTest, LineShowsPassesRateAndTimeLeft) {
  EXPECT_EQ(ProgressBar::line(21600, 43201, 2.0),
            "[##############................] 21600/43201 passes  10800 passes/s  0:00:03 left");
  EXPECT_EQ(ProgressBar::line(0, 604800, 0.0), "[..............................] 0/604800 passes  0 passes/s  -:--:-- left");
  EXPECT_EQ(ProgressBar::line(1000, 604800, 10.0),
            "[..............................] 1000/604800 passes  100 passes/s  1:40:38 left");
}

// A live run, wired as the program is and keyed from the kernel's entropy,
// whose first pass began in the second half of a second: its seal replays it
// byte for byte and tells where its window lay. Another key with the same
// start would have placed the window elsewhere.
TEST(ReplayTest, ASealReplaysItsLiveRunByteForByte) {
  const LocalZone zone("UTC");
  WorkingDirectory directory;
  std::filesystem::create_directory("live");
  {
    SteppingClock clock(850000123.75L, 1.0L / 64);
    const VirtualWallClock wallClock(clock, std::chrono::sys_seconds(std::chrono::seconds(946684800)));
    EntropySealer sealer("keyed", stderr);
    Monitor live({{}, clock, wallClock, sealer, {}},
                 {"novabit", nullptr, stderr, false, false, DriverOptions{.logDirectory = "live"}, {}});
    ASSERT_TRUE(live.start());
    live.run(1800);
    ASSERT_EQ(live.end_status(), 0);
  }
  const std::string log = "estudio_12-07-2026";  // 2026-12-07 23:08:43.75 UTC
  const SimulatorRun run = run_simulator({"--no-screen", "--passes", "1800", "--seal", "live/" + log + ".seal",
                                          "--trace", "t.csv", "--reveal-bias"});
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(file_bytes(log).rfind("12-07-2026 - 23:13:43 checkpoint 5", 0), 0U);
  EXPECT_TRUE(file_bytes(log) == file_bytes("live/" + log));

  const auto seal = read_seal_file("live/" + log + ".seal").seal;
  ASSERT_TRUE(seal);
  for (const RandomKey& key : {key_from_seed(1), key_from_seed(2)}) {
    std::ofstream("other.seal") << seal_text({key, seal->startDate, seal->startTime, "keyed", {}});
    ASSERT_EQ(run_simulator({"--no-screen", "--passes", "1", "--seal", "other.seal", "--trace", "t.csv", "--reveal-bias"})
                  .status, 0);
    const BiasWindowPlace place = bias_window_of_cycle(key, 0, true);
    EXPECT_EQ(read_trace("t.csv")[0].biasStartMinute, place.startMinute);
    EXPECT_EQ(read_trace("t.csv")[0].biasBit, place.bit);
  }
  EXPECT_NE(bias_window_of_cycle(key_from_seed(1), 0, true).startMinute,
            bias_window_of_cycle(key_from_seed(2), 0, true).startMinute);
  const std::vector<TraceRow> replayed = (run_simulator({"--no-screen", "--passes", "1", "--seal", "live/" + log + ".seal",
                                                         "--trace", "t.csv", "--reveal-bias"}),
                                          read_trace("t.csv"));
  EXPECT_EQ(replayed[0].biasStartMinute, bias_window_of_cycle(seal->key, 0, true).startMinute);
}

// The final picture's bytes: 8-bit RGB, each 5-6-5 channel widened with zero bits.
TEST(PictureTest, TheFinalPictureHasTheColoursTheMonitorShows) {
  WorkingDirectory directory;
  SimulatorOptions options;
  options.passes = 5;
  options.png = "final.png";
  Simulation simulation(options, nullptr, stderr);
  ASSERT_TRUE(simulation.start());
  simulation.run(options.passes);
  const Picture screen(*simulation.screen()->frame());
  ASSERT_EQ(simulation.finish(), 0);

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_NE(png_image_begin_read_from_file(&image, "final.png"), 0);
  EXPECT_EQ(image.width, 800U);
  EXPECT_EQ(image.height, 600U);
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_NE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr), 0);
  int mismatches = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      const std::uint32_t shown = rgb_from_pixel(screen.at(x, y));
      const std::size_t at = static_cast<std::size_t>(y * 800 + x) * 3;
      const std::uint32_t written = std::uint32_t{rgb[at]} << 16 | std::uint32_t{rgb[at + 1]} << 8 | rgb[at + 2];
      mismatches += written != shown;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(PictureTest, AfterNoPassTheScreenIsTheGoldenStartUp) {
  WorkingDirectory directory;
  const SimulatorRun run = run_simulator({"--passes", "0", "--start", "2026-12-05 22:10:00", "--png", "start.png"});
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::optional<Picture> picture = Picture::read_png("start.png");
  const std::optional<Picture> golden = Picture::read_png(kGoldenStartUp);
  ASSERT_TRUE(picture && golden);
  EXPECT_TRUE(same_picture(*picture, *golden));
}

}  // namespace
}  // namespace novabit::testing
