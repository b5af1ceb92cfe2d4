// Keys from a terminal (a pseudo-terminal here) and the stop flag of the signals.

#include "experiment/terminal_key_source.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

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

}  // namespace
}  // namespace novabit
