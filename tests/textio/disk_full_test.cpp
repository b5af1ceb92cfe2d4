// Real write failures: a child process gets a file size limit, as a full disk
// would stop the log, and reports through its exit status what it saw.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "textio/channels.h"
#include "textio/temp_directory.h"

namespace novabit {
namespace {

using testing::file_bytes;
using testing::TempDirectory;

// Runs `body` in a child whose files may not grow beyond `limit` bytes;
// returns the child's exit status, or -1 when it did not exit normally.
int run_with_file_size_limit(rlim_t limit, const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit fileSize{limit, limit};
    _exit(setrlimit(RLIMIT_FSIZE, &fileSize) == 0 ? body() : 100);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
    return -1;
  }
  return WEXITSTATUS(status);
}

class DiskFullTest : public ::testing::Test {
 protected:
  TempDirectory directory_;
  std::string log_ = directory_.file("estudio_03-07-2006");
  std::string errors_ = directory_.file("errors");
};

TEST_F(DiskFullTest, FailedWritesAreReportedOnceAndRemembered) {
  const std::string line = std::string(98, 'x') + "\r\n";
  const int status = run_with_file_size_limit(10000, [&] {
    std::FILE* errors = std::fopen(errors_.c_str(), "w");
    ChannelTable channels(nullptr, errors);
    channels.set_durable_writes(false);
    if (channels.open_output_file(log_, 1) != ResultCode::ok) {
      return 1;
    }
    int shortWrites = 0;
    for (int i = 0; i < 300; ++i) {
      shortWrites += channels.write(1, line) == ResultCode::short_write;
    }
    const bool lostAfterWrites = channels.records_lost();
    const ResultCode committed = channels.commit_record(1);
    channels.close_all_channels();
    std::fclose(errors);
    if (shortWrites == 0 || !lostAfterWrites) {
      return 2;
    }
    return committed == ResultCode::short_write && channels.records_lost() ? 0 : 3;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(file_bytes(errors_), log_ + ": write failed: File too large\n");
  const std::string written = file_bytes(log_);
  EXPECT_EQ(written.size(), 10000u);
  EXPECT_EQ(written.substr(0, 200), line + line);
}

TEST_F(DiskFullTest, FailedFlushStaysLostThoughCloseSucceeds) {
  const int status = run_with_file_size_limit(3000, [&] {
    std::FILE* errors = std::fopen(errors_.c_str(), "w");
    ChannelTable channels(nullptr, errors);
    if (channels.open_output_file(log_, 1) != ResultCode::ok) {
      return 1;
    }
    // Still within the buffer: the write itself cannot see the full disk.
    if (channels.write(1, std::string(4000, 'r')) != ResultCode::ok || channels.records_lost()) {
      return 2;
    }
    if (channels.commit_record(1) != ResultCode::short_write || !channels.records_lost()) {
      return 3;
    }
    channels.close_all_channels();
    std::fclose(errors);
    return channels.records_lost() ? 0 : 4;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(file_bytes(errors_), log_ + ": flush failed: File too large\n");
  EXPECT_EQ(std::filesystem::file_size(log_), 3000u);
}

}  // namespace
}  // namespace novabit
