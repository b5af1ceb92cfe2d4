// How a physical source ends a live run: a FIFO whose writer falls silent, a
// FIFO and a serial terminal (a pseudo-terminal) whose writer goes away, a
// device whose reads fail. Each ends the run in order after the passes it
// fed, with one line naming the source and the reason and exit status 1;
// the silence is measured on the clock the monitor is given, so ten seconds
// of it pass here without waiting.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "monitor/monitor.h"
#include "monitor/program_version.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/local_zone.h"
#include "seal/seal.h"
#include "clocks/virtual_clocks.h"

namespace novabit::testing {
namespace {

struct Feed {
  std::string path;
  int writer = -1;  // where the test writes the source's bytes; -1: nothing is written
};

struct Ending {
  const char* name;
  std::function<Feed()> open;
  int passesFed;
  bool writerLeaves;  // the writer closes once its bytes are taken
  const char* reason;
};

void PrintTo(const Ending& ending, std::ostream* out) { *out << ending.name; }

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

class SourceEndingTest : public ::testing::TestWithParam<Ending> {};

TEST_P(SourceEndingTest, EndsTheRunInOrderNamingTheSourceAndTheReason) {
  const Ending& ending = GetParam();
  const LocalZone zone("UTC");
  const ScratchDirectory directory(true);
  const Feed feed = ending.open();
  SimulatedSecondsClock clock(1000);
  const SimulatedWallClock wallClock(clock, 1796630400, 1796630400 - 1000);  // 2026-12-07 08:00:00 UTC
  GivenKey sealer(kTestKey);
  SteppingClock silence(0, 1);
  const std::string errorsFile = directory.file("errors");
  std::FILE* errors = std::fopen(errorsFile.c_str(), "w");
  const std::string source = "device:" + feed.path;
  MonitorSettings settings{"novabit", nullptr, errors, false, false, {}, *parse_source(source), true};
  settings.driver.biasEnabled = false;
  Monitor monitor({{}, clock, wallClock, sealer, {}, &silence}, settings);
  ASSERT_TRUE(monitor.open_screen());
  ASSERT_TRUE(monitor.start());

  // Every byte value, so that a terminal left in its cooked mode would show.
  std::string fed;
  for (int byte = 0; byte < ending.passesFed * 25; ++byte) fed += static_cast<char>(byte * 7);
  if (feed.writer >= 0) {
    ASSERT_EQ(write(feed.writer, fed.data(), fed.size()), ssize_t(fed.size()));
  }
  EXPECT_EQ(monitor.run(ending.passesFed), RunEnd::pass_limit);
  if (ending.writerLeaves) close(feed.writer);
  const std::int64_t silentReadings = silence.readings();
  EXPECT_EQ(monitor.run(100), RunEnd::source_ended);
  EXPECT_EQ(monitor.end_status(), 1);
  if (!ending.writerLeaves && feed.writer >= 0) {
    close(feed.writer);
    EXPECT_EQ(silence.readings() - silentReadings, 11) << "ten seconds of silence after the first reading";
  }
  std::fclose(errors);
  EXPECT_EQ(file_bytes(errorsFile),
            "novabit: the source " + source + " stopped: " + ending.reason + "; the run ends\n");

  std::string expected = "# program=novabit " + std::string(program_version()) + "\r\n# source=" + source +
                         "\r\n# key_sha256=" + key_commitment(kTestKey) + "\r\npass,utc,local,ones,alarm\r\n";
  for (int pass = 0; pass < ending.passesFed; ++pass) {
    int ones = 0;
    for (int byte = 0; byte < 25; ++byte) ones += std::popcount(static_cast<unsigned char>(fed[pass * 25 + byte]));
    char row[128];
    std::snprintf(row, sizeof row, "%d,2026-12-07T08:00:%02dZ,12-07-2026 08:00:%02d,%d,\r\n", pass + 1, pass, pass,
                  ones);
    expected += row;
  }
  EXPECT_EQ(file_bytes("estudio_12-07-2026.trials.csv"), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, SourceEndingTest,
    ::testing::Values(Ending{"SilentFifo", fifo, 2, false, "it delivered nothing for 10 seconds"},
                      Ending{"ClosedFifo", fifo, 2, true, "end of file"},
                      Ending{"SerialTerminal", pseudo_terminal, 11, true, "end of file"},
                      Ending{"FailingDevice", [] { return Feed{"/proc/self/mem"}; }, 0, false,
                             "read failed: Input/output error"}));

}  // namespace
}  // namespace novabit::testing
