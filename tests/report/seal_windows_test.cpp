// A run the simulator replayed from a known seal: the report must give back
// the window the driver itself revealed in its trace, find it blind, and
// shade it in the picture.

#include <gtest/gtest.h>

#include "report/report_picture.h"
#include "report/seal_windows.h"
#include "screen/colour.h"
#include "support/files.h"
#include "support/simulator_run.h"
#include "keystream/random_key.h"
#include "seal/seal.h"

namespace novabit::report {
namespace {

// Pixels of the window's shade in a row near the plot's top, where no curve runs.
int shaded_pixels(const FieldReport& report) {
  FrameBuffer frame(1);
  draw_report_picture(report, frame);
  int count = 0;
  for (int x = 0; x < FrameBuffer::kWidth; ++x) {
    count += frame.pixel(x, 44) == pixel_from_colour(0x203070) ? 1 : 0;
  }
  return count;
}

TEST(SealWindows, GiveBackTheWindowsTheDriverUsed) {
  testing::ScratchDirectory directory;
  const std::string sealPath = directory.file("estudio_12-05-2026.seal");
  Seal seal{key_from_seed(5), {2026, 12, 5, 10, 0, 0}, {}, std::nullopt};
  testing::write_bytes(sealPath, seal_text(seal) + seal_clock_line(849780000.25L));
  ASSERT_EQ(testing::run_simulator({"--seal", sealPath, "--no-screen", "--quiet", "--passes", "87000", "--dir",
                                    directory.file(""), "--trace", directory.file("trace.csv"), "--reveal-bias"})
                .status,
            0);
  std::vector<StudyRun> runs{
      place_records("log", read_study_log(testing::file_bytes(directory.file("estudio_12-05-2026.replay"))))};
  FieldReport report = build_report(std::move(runs), {}, BoundarySettings{});
  EXPECT_EQ(shaded_pixels(report), 0);

  const Result<SealedRun> revealed = reveal_windows(sealPath, report);
  ASSERT_TRUE(revealed) << revealed.failure().message();
  const WindowCheck& windows = revealed->windows;
  const std::vector<testing::TraceRow> trace = testing::read_trace(directory.file("trace.csv"));
  ASSERT_EQ(windows.cycles.size(), 3U);
  for (const CycleWindow& window : windows.cycles) {
    const testing::TraceRow& first = trace[static_cast<std::size_t>(window.cycle * kPassesPerCycle)];
    EXPECT_EQ(window.place.startMinute, first.biasStartMinute);
    EXPECT_EQ(window.place.bit, first.biasBit);
  }
  EXPECT_EQ(windows.scans, 2);
  EXPECT_EQ(windows.scansFound, 2);
  EXPECT_GT(windows.insideTowardsBit.stouffer_z(), 50);
  EXPECT_LT(std::abs(windows.cycles[0].outside.stouffer_z()), 4);
  report.sealed.push_back(*revealed);
  EXPECT_GT(shaded_pixels(report), 60);

  seal.start.hour = 11;
  testing::write_bytes(sealPath, seal_text(seal));
  EXPECT_EQ(reveal_windows(sealPath, report).failure().message(),
            sealPath + ": no run of the input started at 12-05-2026 11:00:00");
}

}  // namespace
}  // namespace novabit::report
