#include "app/live_monitor.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <ctime>
#include <map>

#include "screen_sdl/x_server.h"

extern char** environ;

namespace novabit::testing_app {

using namespace std::chrono_literals;

Launch simulator(std::vector<std::string> arguments) {
  Launch launch;
  launch.program = NOVABIT_SIM_EXECUTABLE;
  launch.arguments = std::move(arguments);
  return launch;
}

namespace {

// The user id and group id of "nobody".
constexpr unsigned kNobody = 65534;

// Everything the child needs, built before the fork: after it, the child of
// a threaded test may only make system calls.
struct ChildPlan {
  std::vector<std::string> argumentTexts;
  std::vector<std::string> environmentTexts;
  std::vector<char*> arguments;
  std::vector<char*> environment;

  explicit ChildPlan(const Launch& launch) {
    argumentTexts.push_back(std::filesystem::path(launch.program).filename());
    argumentTexts.insert(argumentTexts.end(), launch.arguments.begin(), launch.arguments.end());
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text(*entry);
      const std::size_t equals = text.find('=');
      if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : launch.environment) {
      if (value) {
        variables[name] = *value;
      } else {
        variables.erase(name);
      }
    }
    // Under the sanitizers, their summary of suppressed leaks would mix with what the program says.
    if (const auto leakOptions = variables.find("LSAN_OPTIONS"); leakOptions != variables.end()) {
      leakOptions->second += ":print_suppressions=0";
    }
    for (const auto& [name, value] : variables) environmentTexts.push_back(name + "=" + value);
    for (auto& text : argumentTexts) arguments.push_back(text.data());
    arguments.push_back(nullptr);
    for (auto& text : environmentTexts) environment.push_back(text.data());
    environment.push_back(nullptr);
  }
};

[[noreturn]] void run_child(const std::filesystem::path& directory, const Launch& launch, const ChildPlan& plan,
                            int outputFd, int errorsFd) {
  const int nothing = open("/dev/null", O_RDONLY);
  if (nothing < 0 || dup2(nothing, STDIN_FILENO) < 0 || dup2(outputFd, STDOUT_FILENO) < 0 ||
      dup2(errorsFd, STDERR_FILENO) < 0) {
    _exit(126);
  }
  if (launch.asNobody && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(126);
  // The program ends with the test, even when the test dies without its
  // destructors; set last, as a change of user clears it.
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || chdir(directory.c_str()) != 0) _exit(126);
  execve(launch.program.c_str(), plan.arguments.data(), plan.environment.data());
  _exit(127);
}

}  // namespace

LiveMonitor::LiveMonitor(const std::filesystem::path& directory, const Launch& launch) {
  const ChildPlan plan(launch);
  std::array<int, 2> outputPipe{};
  std::array<int, 2> errorsPipe{};
  if (pipe2(outputPipe.data(), O_CLOEXEC) != 0) return;
  if (pipe2(errorsPipe.data(), O_CLOEXEC) != 0) {
    close(outputPipe[0]);
    close(outputPipe[1]);
    return;
  }
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    if (getppid() != parent) _exit(126);
    run_child(directory, launch, plan, outputPipe[1], errorsPipe[1]);
  }
  close(outputPipe[1]);
  close(errorsPipe[1]);
  reader_ = std::thread([this, outputPipe, errorsPipe] { read_streams(outputPipe[0], errorsPipe[0]); });
}

LiveMonitor::~LiveMonitor() {
  if (pid_ > 0 && !exitStatus_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  finish_reading();
}

void LiveMonitor::read_streams(int outputFd, int errorsFd) {
  std::array<pollfd, 2> streams{pollfd{outputFd, POLLIN, 0}, pollfd{errorsFd, POLLIN, 0}};
  std::array<char, 65536> buffer{};
  int open = 2;
  while (open > 0 && poll(streams.data(), streams.size(), -1) >= 0) {
    for (std::size_t i = 0; i < streams.size(); ++i) {
      if (streams[i].fd < 0 || streams[i].revents == 0) continue;
      const ssize_t count = read(streams[i].fd, buffer.data(), buffer.size());
      if (count <= 0) {
        close(streams[i].fd);
        streams[i].fd = -1;
        --open;
        continue;
      }
      const std::lock_guard lock(streamsMutex_);
      (i == 0 ? output_ : errors_).append(buffer.data(), static_cast<std::size_t>(count));
    }
  }
}

void LiveMonitor::finish_reading() {
  if (reader_.joinable()) reader_.join();
}

bool LiveMonitor::running() {
  if (exitStatus_ || pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return true;
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
    if (const auto found = testing_x::command_output("xdotool search --name '^NOVABIT' 2>/dev/null")) {
      return found->substr(0, found->find('\n'));
    }
    std::this_thread::sleep_for(20ms);
  }
  return {};
}

std::string LiveMonitor::output() {
  if (!running()) finish_reading();
  const std::lock_guard lock(streamsMutex_);
  return output_;
}

std::string LiveMonitor::errors() {
  if (!running()) finish_reading();
  const std::lock_guard lock(streamsMutex_);
  return errors_;
}

bool monitor_window_exists() {
  return testing_x::command_output("xdotool search --name '^NOVABIT' 2>/dev/null").has_value();
}

std::optional<std::filesystem::path> fake_time_library() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/usr/lib", error)) {
    const auto library = entry.path() / "faketime" / "libfaketimeMT.so.1";
    if (std::filesystem::exists(library)) return library;
  }
  return std::nullopt;
}

std::string today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[11];
  std::strftime(text, sizeof text, "%m-%d-%Y", &local);
  return text;
}

}  // namespace novabit::testing_app
