// The live program's wiring and its ends: the orderly end with its exit
// status, the sealed key, a study log or seal that cannot be created, records
// lost on a failing disk, and a killed process.

#include "seal/entropy_sealer.h"
#include "monitor/monitor.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "support/fakes.h"
#include "support/files.h"
#include "support/log_model.h"

namespace novabit {
namespace {

using namespace std::chrono_literals;
using testing::file_bytes;
using testing::ScratchDirectory;
using testing::SteppingClock;
using testing::VirtualWallClock;

const std::chrono::sys_seconds kFirstPassTime = std::chrono::sys_days{2026y / 12 / 5} + 22h;
const char* const kLogName = "estudio_12-05-2026";

// The live program's wiring on a virtual clock, without a screen, whose space
// bar is pressed during the wait of pass `lastPass`; its stderr goes to a file.
class Program {
 public:
  // `sealed`: the key comes from the kernel and is sealed, as the live program's.
  explicit Program(std::int64_t lastPass, bool durable = false, bool sealed = false)
      : monitor_({{}, clock_, wallClock_, sealed ? static_cast<KeySealer&>(sealer_) : givenKey_,
                  [this, lastPass] { return clock_.now() > 1000 + lastPass - 0.5L; }},
                 {"novabit", nullptr, errors_, false, durable, {}, {}}) {}
  ~Program() { std::fclose(errors_); }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  int run() { return monitor_.run_to_end(); }
  Monitor& monitor() { return monitor_; }
  ExperimentDriver& driver() { return monitor_.driver(); }
  ChannelTable& channels() { return monitor_.channels(); }
  std::string errors() {
    std::fflush(errors_);
    std::rewind(errors_);
    std::string text;
    for (int c = std::fgetc(errors_); c != EOF; c = std::fgetc(errors_)) text += static_cast<char>(c);
    return text;
  }

 private:
  SteppingClock clock_{1000.25L, 1.0L / 64};
  VirtualWallClock wallClock_{clock_, kFirstPassTime - 1000s};
  std::FILE* errors_ = std::tmpfile();
  EntropySealer sealer_{SourceSpec{}, errors_};
  GivenKey givenKey_{testing::kTestKey};
  Monitor monitor_;
};

// Runs `body` in a child process and returns how it ended: its exit status,
// or 1000 + the signal that killed it.
int in_child(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

// The log of `passes` passes of the tests' key, the first at 22:00:00.
std::string model_log(std::int64_t passes) {
  return testing::model_log(testing::model_passes(testing::kTestKey, passes), kFirstPassTime);
}

// The key is sealed beside the log before the first pass, readable by its
// owner alone, and an earlier seal of the day is kept; a seal or a log that
// cannot be created refuses the start with one line naming it.
TEST(ProgramTest, SealsTheKeyBesideTheLogAndKeepsTheEarlierSeal) {
  const ScratchDirectory directory(true);
  const std::string seal = "estudio_12-05-2026.seal";
  for (int run = 0; run < 2; ++run) ASSERT_EQ(Program(3, false, true).run(), 0);
  struct stat status {};
  ASSERT_EQ(stat(seal.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  const Result<Seal> first = read_seal_file(seal + ".1");
  const Result<Seal> second = read_seal_file(seal);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->key, second->key);
  EXPECT_EQ(date_text(second->start) + " " + time_text(second->start), "12-05-2026 22:00:00");
  EXPECT_EQ(second->clock, 1000.25L);

  std::filesystem::remove(seal);
  std::filesystem::create_directory(seal);
  Program refused(5, false, true);
  EXPECT_EQ(refused.run(), 1);
  EXPECT_EQ(refused.driver().state().secondsElapsed, 1) << "no pass ran";
  EXPECT_EQ(refused.errors(), "novabit: cannot write the seal " + seal + ": " + std::strerror(EEXIST) + "\n");
  std::filesystem::remove(kLogName);
  std::filesystem::create_directory(kLogName);
  Program noLog(5);
  EXPECT_EQ(noLog.run(), 1);
  EXPECT_EQ(noLog.errors(), "novabit: cannot create the study log " + std::string(kLogName) + ": " +
                                std::strerror(EEXIST) + "\n");
}

TEST(ProgramTest, LostRecordsAreReportedOnceAndEndWithStatusOne) {
  const ScratchDirectory directory(true);
  const int status = in_child([] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit fileSize{400, 400};
    if (setrlimit(RLIMIT_FSIZE, &fileSize) != 0) return 100;
    Program program(2000, true);
    const int exitStatus = program.run();
    const bool ranToTheEnd = program.driver().state().secondsElapsed == 2001;
    const std::string errors = program.errors();
    const bool reportedOnce = errors.find(kLogName) == 0 && errors.find('\n') == errors.size() - 1;
    return exitStatus + (ranToTheEnd ? 0 : 10) + (reportedOnce ? 0 : 20);
  });
  EXPECT_EQ(status, 1);
  EXPECT_LE(std::filesystem::file_size(kLogName), 400U);
}

// Each record reaches the disk as it is written: a process killed five passes
// after a quarter's records keeps every record of the passes it ran.
TEST(ProgramTest, AKilledRunKeepsEveryCompleteRecord) {
  const ScratchDirectory directory(true);
  const int end = in_child([] {
    Program program(1000000, true);
    if (!program.monitor().start()) return 1;
    program.monitor().run(905);
    std::raise(SIGKILL);
    return 2;
  });
  EXPECT_EQ(end, 1000 + SIGKILL);
  EXPECT_TRUE(testing::same_log(file_bytes(kLogName), model_log(905)));
}

}  // namespace
}  // namespace novabit
