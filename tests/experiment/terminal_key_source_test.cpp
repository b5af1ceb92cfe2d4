// Keys from a terminal (a pseudo-terminal here) and the stop flag of the signals.

#include "experiment/terminal_key_source.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

namespace novabit {
namespace {

class PseudoTerminal {
 public:
  PseudoTerminal() { EXPECT_EQ(openpty(&controller_, &terminal_, nullptr, nullptr, nullptr), 0); }
  ~PseudoTerminal() {
    close(controller_);
    close(terminal_);
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  int terminal() const { return terminal_; }
  void type(const std::string& keys) {
    ASSERT_EQ(write(controller_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    pollfd ready{terminal_, POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 2000), 1);
  }
  tcflag_t local_modes() const {
    termios settings{};
    tcgetattr(terminal_, &settings);
    return settings.c_lflag;
  }

 private:
  int controller_ = -1;
  int terminal_ = -1;
};

TEST(TerminalKeySourceTest, DeliversEachTypedKeyAtOnceAndRestoresTheTerminal) {
  PseudoTerminal pty;
  const volatile std::sig_atomic_t stop = 0;
  {
    TerminalKeySource keys(pty.terminal(), stop);
    EXPECT_EQ(pty.local_modes() & (ICANON | ECHO), 0U);
    EXPECT_EQ(keys.read_key(), "");
    pty.type("x ");
    EXPECT_EQ(keys.read_key(), "x");
    EXPECT_EQ(keys.read_key(), " ");
    EXPECT_EQ(keys.read_key(), "");
  }
  EXPECT_EQ(pty.local_modes() & (ICANON | ECHO), tcflag_t{ICANON | ECHO});
}

TEST(TerminalKeySourceTest, ARaisedStopFlagReadsAsSpace) {
  PseudoTerminal pty;
  volatile std::sig_atomic_t stop = 0;
  TerminalKeySource keys(pty.terminal(), stop);
  EXPECT_EQ(keys.read_key(), "");
  stop = 1;
  EXPECT_EQ(keys.read_key(), " ");
}

TEST(TerminalKeySourceTest, InputThatIsNoTerminalGivesNoKeys) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  ASSERT_EQ(write(pipeEnds[1], " ", 1), 1);
  volatile std::sig_atomic_t stop = 0;
  {
    TerminalKeySource keys(pipeEnds[0], stop);
    EXPECT_EQ(keys.read_key(), "");
    stop = 1;
    EXPECT_EQ(keys.read_key(), " ");
  }
  close(pipeEnds[0]);
  close(pipeEnds[1]);
}

// A job started in the background of the terminal that is its controlling
// terminal: taking the terminal would stop it with SIGTTOU.
TEST(TerminalKeySourceTest, BackgroundJobLeavesItsTerminalAlone) {
  PseudoTerminal pty;
  const tcflag_t before = pty.local_modes();
  std::fflush(nullptr);
  const pid_t session = fork();
  if (session == 0) {
    if (setsid() < 0 || ioctl(pty.terminal(), TIOCSCTTY, 0) != 0) _exit(2);
    const pid_t job = fork();
    if (job == 0) {
      if (setpgid(0, 0) != 0) _exit(3);
      volatile std::sig_atomic_t stop = 0;
      TerminalKeySource keys(pty.terminal(), stop);
      _exit(keys.read_key().empty() ? 0 : 4);
    }
    int status = 0;
    waitpid(job, &status, WUNTRACED);
    if (WIFSTOPPED(status)) {
      kill(job, SIGKILL);
      waitpid(job, &status, 0);
      _exit(5);
    }
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 6);
  }
  int status = 0;
  ASSERT_EQ(waitpid(session, &status, 0), session);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2, 3: set-up failed; 5: the job was stopped";
  EXPECT_EQ(pty.local_modes(), before);
}

}  // namespace
}  // namespace novabit
