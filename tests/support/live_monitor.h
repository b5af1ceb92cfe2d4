#pragma once
// The real programs started as a user would start them: in a working
// directory of their own, with what they print caught, and with the few
// things a test changes (the environment, the user).

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/files.h"

namespace novabit::testing_app {

using ScratchDirectory = testing::ScratchDirectory;

struct Launch {
  std::string program = NOVABIT_EXECUTABLE;
  std::vector<std::string> arguments;
  // Changes to the test's environment: a value sets the variable, none removes it.
  std::vector<std::pair<std::string, std::optional<std::string>>> environment;
  // Runs the program as nobody (the test must be root), from a copy that
  // nobody can reach: the build tree may lie in a folder only its owner enters.
  bool asNobody = false;
  // Standard error: a file, read by errors(); closed; or a pipe whose reader has gone.
  enum class Errors { file, closed, broken_pipe } errors = Errors::file;
  // Standard input closed, else /dev/null.
  bool inputClosed = false;
  // A limit on the size of the files it writes, in blocks of 512 bytes (the shell's ulimit -f); none: no limit.
  std::optional<int> fileSizeBlocks{};
  // Starts it with the stop signals blocked, as a parent may: until the program
  // unblocks them, they wait.
  bool stopSignalsBlocked = false;
  // With the stop signals blocked: a SIGTERM already waits when it starts.
  bool stopPending = false;
};

// novabit-sim with `arguments`.
Launch simulator(std::vector<std::string> arguments);

// A program running in `directory`; killed when still running at the end,
// and with the test when the test dies first.
class LiveMonitor {
 public:
  explicit LiveMonitor(const std::filesystem::path& directory, const Launch& launch = {});
  ~LiveMonitor();
  LiveMonitor(const LiveMonitor&) = delete;
  LiveMonitor& operator=(const LiveMonitor&) = delete;

  bool running();
  pid_t pid() const { return pid_; }
  // Whether the study log, its seal and the raw record appear (beside the
  // messages kept once it ends), the sign of a run under way, before it ends
  // or 10 s pass.
  bool under_way();
  // The exit status once it ended within `limit` (128 + the signal for a
  // signal's death).
  std::optional<int> wait_for_exit(std::chrono::milliseconds limit);
  void send(int signalNumber);
  // The id of this program's window on the test's X server once it shows
  // within `limit`; empty when it does not or the program ended first.
  std::string wait_for_window(std::chrono::milliseconds limit = std::chrono::seconds(10));

  // Standard output and error so far.
  std::string output() const { return testing::file_bytes(streams_.path() / "out"); }
  std::string errors() const { return testing::file_bytes(streams_.path() / "err"); }
  // Standard error without the lines that tell of skipped seconds, which a
  // busy machine or a clock made fast may cause in any run.
  std::string errors_besides_skipped_seconds() const;

 private:
  std::filesystem::path directory_;
  ScratchDirectory streams_;
  std::unique_ptr<ScratchDirectory> programCopy_;
  pid_t pid_ = -1;
  std::optional<int> exitStatus_;
};

// Why a user with no rights of its own could not reach `path` (a folder on
// the way that others may not enter); nothing when it can.
std::optional<std::string> closed_to_others(const std::filesystem::path& path);

// True when a window titled like the monitor's is on the test's X server.
bool monitor_window_exists();

// libfaketime's preload library for threaded programs, where installed.
std::optional<std::filesystem::path> fake_time_library();

// The checks of the running test that failed so far: a run of a fault table
// ended in order when its checks added none.
int failed_checks();

// Today's date as the study log's name carries it, e.g. "12-05-2026".
std::string today();

}  // namespace novabit::testing_app
