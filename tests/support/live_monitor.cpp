#include "support/live_monitor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <regex>
#include <thread>

#include "support/x_server.h"

extern char** environ;

namespace novabit::testing_app {

using namespace std::chrono_literals;

namespace {

std::string shell_quoted(const std::string& text) {
  std::string result = "'";
  for (const char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

}  // namespace

Launch simulator(std::vector<std::string> arguments) {
  Launch launch;
  launch.program = NOVABIT_SIM_EXECUTABLE;
  launch.arguments = std::move(arguments);
  return launch;
}

// The shell only sets the scene and then becomes the program, so that its
// process is the one started here; the program gets SIGKILL should the test
// die first (set after a change of user, which clears it).
LiveMonitor::LiveMonitor(const std::filesystem::path& directory, const Launch& launch) : directory_(directory) {
  std::string program = launch.program;
  if (launch.asNobody) {
    programCopy_ = std::make_unique<ScratchDirectory>();
    std::filesystem::permissions(programCopy_->path(), std::filesystem::perms(0755));
    const auto copy = programCopy_->path() / std::filesystem::path(program).filename();
    std::filesystem::copy_file(program, copy);
    program = copy.string();
  }
  std::string script = std::string(launch.stopPending ? "kill -TERM $$ && " : "") + "cd " + shell_quoted(directory) + " && ";
  if (launch.fileSizeBlocks) script += "ulimit -f " + std::to_string(*launch.fileSizeBlocks) + " && ";
  script += "exec env";
  // env takes its removals before its settings.
  for (const bool removals : {true, false}) {
    for (const auto& [name, value] : launch.environment) {
      if (!value == removals) script += value ? " " + shell_quoted(name + "=" + *value) : " -u " + shell_quoted(name);
    }
  }
  if (launch.asNobody) script += " setpriv --reuid=65534 --regid=65534 --clear-groups";
  script += " setpriv --pdeathsig KILL " + shell_quoted(program);
  for (const std::string& argument : launch.arguments) script += " " + shell_quoted(argument);
  script += (launch.inputClosed ? " <&- >" : " </dev/null >") + shell_quoted(streams_.file("out"));
  script += launch.errors == Launch::Errors::file     ? " 2>" + shell_quoted(streams_.file("err"))
            : launch.errors == Launch::Errors::closed ? std::string(" 2>&-")
                                                      : std::string(" 2>&3 3>&-");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int pipeEnds[2] = {-1, -1};
  if (launch.errors == Launch::Errors::broken_pipe && pipe2(pipeEnds, O_CLOEXEC) == 0) {
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 3);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (launch.stopSignalsBlocked) {
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&blocked, signalNumber);
    posix_spawnattr_setsigmask(&attributes, &blocked);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  }
  const char* const arguments[] = {"sh", "-c", script.c_str(), nullptr};
  if (posix_spawn(&pid_, "/bin/sh", &actions, &attributes, const_cast<char* const*>(arguments), environ) != 0) pid_ = -1;
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  for (const int end : pipeEnds) {
    if (end >= 0) close(end);
  }
}

LiveMonitor::~LiveMonitor() {
  if (running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool LiveMonitor::running() {
  if (exitStatus_ || pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
  exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return false;
}

std::string LiveMonitor::errors_besides_skipped_seconds() const {
  return std::regex_replace(errors(), std::regex("[^\n]*( without a pass | skipped in )[^\n]*\n"), "");
}

bool LiveMonitor::under_way() {
  const auto files = [&] {
    return std::distance(std::filesystem::directory_iterator(directory_), std::filesystem::directory_iterator());
  };
  for (int wait = 0; wait < 1000 && files() < 3 && running(); ++wait) std::this_thread::sleep_for(10ms);
  return files() >= 3;
}

std::optional<int> LiveMonitor::wait_for_exit(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (running() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(10ms);
  return exitStatus_;
}

void LiveMonitor::send(int signalNumber) {
  if (running()) kill(pid_, signalNumber);
}

std::string LiveMonitor::wait_for_window(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (running() && std::chrono::steady_clock::now() < deadline) {
    // The search fails while no window matches.
    if (const auto found =
            testing_x::command_output("xdotool search --all --pid " + std::to_string(pid_) + " --name '^NOVABIT' 2>/dev/null")) {
      return found->substr(0, found->find('\n'));
    }
    std::this_thread::sleep_for(20ms);
  }
  return {};
}

std::optional<std::string> closed_to_others(const std::filesystem::path& path) {
  for (auto folder = std::filesystem::absolute(path); folder != folder.parent_path(); folder = folder.parent_path()) {
    std::error_code error;
    const auto permissions = std::filesystem::status(folder, error).permissions();
    if (error || (permissions & std::filesystem::perms::others_exec) == std::filesystem::perms::none) {
      return folder.string() + " is closed to other users";
    }
  }
  return std::nullopt;
}

bool monitor_window_exists() { return testing_x::command_output("xdotool search --name '^NOVABIT' 2>/dev/null").has_value(); }

std::optional<std::filesystem::path> fake_time_library() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/usr/lib", error)) {
    const auto library = entry.path() / "faketime" / "libfaketimeMT.so.1";
    if (std::filesystem::exists(library)) return library;
  }
  return std::nullopt;
}

int failed_checks() { return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count(); }

std::string today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[11];
  std::strftime(text, sizeof text, "%m-%d-%Y", &local);
  return text;
}

}  // namespace novabit::testing_app
