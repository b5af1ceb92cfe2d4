// novabit-sim stopped while a write to a full pipe blocks ends as a stop,
// not as a failed write.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include "support/live_monitor.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing_app::LiveMonitor;
using testing_app::ScratchDirectory;
using testing_app::simulator;

TEST(SimulatorSignals, AStopDuringABlockedPipeWriteIsAStop) {
  ScratchDirectory directory;
  const std::filesystem::path fifo = directory.path() / "bits";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  LiveMonitor run(directory.path(), simulator({"--no-screen", "--quiet", "--passes", "100000", "--bits", "bits"}));
  const int reader = open(fifo.c_str(), O_RDONLY);
  ASSERT_GE(reader, 0);
  std::this_thread::sleep_for(300ms);  // the pipe fills and the write blocks
  run.send(SIGTERM);
  std::this_thread::sleep_for(100ms);
  std::array<char, 65536> buffer{};
  while (read(reader, buffer.data(), buffer.size()) > 0) {
  }
  close(reader);
  ASSERT_EQ(run.wait_for_exit(10s), 1);
  const std::string errors = run.errors();
  EXPECT_TRUE(errors.starts_with("novabit-sim: stopped after ")) << errors;
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
}

}  // namespace
}  // namespace novabit
