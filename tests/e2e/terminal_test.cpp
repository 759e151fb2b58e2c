// SPDX-License-Identifier: MIT
// The program on a pseudo-terminal, as a person types at it: echo, Enter,
// Ctrl+D and Ctrl+C, a terminal left raw, and an over-long line.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include "tests/support/child_process.h"

struct TerminalSession {
  int Master = -1;
  pid_t Child = -1;
  std::string Raw;     // everything the terminal showed
  std::string Screen;  // the same with "\r\r\n" folded to "\r\n"
};

// Starts the program, or `shellCommand` run by bash, on a new terminal in `folder`.
static TerminalSession StartOnTerminal(const std::string& folder, bool leaveRaw,
                                       const std::string& shellCommand = "") {
  TerminalSession session;
  session.Child = forkpty(&session.Master, nullptr, nullptr, nullptr);
  if (session.Child == 0) {
    if (chdir(folder.c_str()) != 0) {
      _exit(126);
    }
    if (leaveRaw) {
      termios mode{};
      tcgetattr(STDIN_FILENO, &mode);
      cfmakeraw(&mode);
      tcsetattr(STDIN_FILENO, TCSANOW, &mode);
    }
    if (shellCommand.empty()) {
      execl(SIEVEBENCH_PROGRAM, SIEVEBENCH_PROGRAM, static_cast<char*>(nullptr));
    } else {
      execl("/bin/bash", "bash", "-c", shellCommand.c_str(), static_cast<char*>(nullptr));
    }
    _exit(127);
  }
  return session;
}

// The terminal turns each line feed the program writes into CR LF.
static std::string Folded(std::string text) {
  for (size_t at = text.find("\r\r\n"); at != std::string::npos; at = text.find("\r\r\n", at)) {
    text.erase(at, 1);
  }
  return text;
}

// Reads what the terminal shows until `needle` appears (or, with an empty
// needle, until the program's side closes); false on a 20 s time-out.
static bool ReadUntil(TerminalSession& session, const std::string& needle) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    session.Screen = Folded(session.Raw);
    if (!needle.empty() && session.Screen.find(needle) != std::string::npos) {
      return true;
    }
    pollfd ready{session.Master, POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) {
      continue;
    }
    char chunk[4096];
    const ssize_t got = read(session.Master, chunk, sizeof chunk);
    if (got <= 0) {
      return needle.empty();  // EIO: every holder of the terminal has closed it
    }
    session.Raw.append(chunk, static_cast<size_t>(got));
  }
  return false;
}

// Keys typed while the terminal is still raw would not be edited, echoed or
// turned into signals, so a test waits until the program has set line input.
static bool WaitForLineInput(const TerminalSession& session) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  termios mode{};
  while (std::chrono::steady_clock::now() < deadline) {
    if (tcgetattr(session.Master, &mode) == 0 && (mode.c_lflag & ICANON) != 0) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

static void Type(const TerminalSession& session, const std::string& keys) {
  ASSERT_EQ(write(session.Master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
}

static int Finish(TerminalSession& session) {
  EXPECT_TRUE(ReadUntil(session, ""));
  int status = 0;
  waitpid(session.Child, &status, 0);
  close(session.Master);
  return status;
}

class TerminalRun : public testing::Test {
 protected:
  void SetUp() override { folder_ = MakeTempDir(); }
  void TearDown() override { RemoveTree(folder_); }
  std::string folder_;
};

TEST_F(TerminalRun, TypedLimitsAreEchoedAndEnterEndsTheLine) {
  struct Case {
    bool LeaveRaw;
    std::string Keys;
    std::string Echo;
    ExpectedReport Report;
  };
  const Case cases[] = {
      {false, "100\r", "100\r\n", {100, 25, 28}},
      {true, "100\r", "100\n", {100, 25, 28}},  // left raw by an earlier program: no output mapping
      {false, "12\x7f" "00\r", "12\b \b00\r\n", {100, 25, 28}},  // backspace erases on screen
      {false, "\r", "\r\n", {500000, 41538, 391987}},
      {false, "\x04", "", {500000, 41538, 391987}},     // Ctrl+D on an empty line
      {true, "\x04", "", {500000, 41538, 391987}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(testing::PrintToString(test.Keys) + (test.LeaveRaw ? " raw" : ""));
    TerminalSession session = StartOnTerminal(folder_, test.LeaveRaw);
    ASSERT_TRUE(ReadUntil(session, PromptText));
    ASSERT_TRUE(WaitForLineInput(session));
    Type(session, test.Keys);
    const int status = Finish(session);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ExpectReport(session.Screen, test.Report, test.Echo);
  }
}

TEST_F(TerminalRun, CtrlCEndsTheProgramAtThePrompt) {
  TerminalSession session = StartOnTerminal(folder_, true);
  ASSERT_TRUE(ReadUntil(session, PromptText));
  ASSERT_TRUE(WaitForLineInput(session));
  Type(session, "12\x03");
  const int status = Finish(session);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGINT);
}

TEST_F(TerminalRun, TheRestOfAnOverLongLineNeverReachesTheNextReader) {
  // The shell reads the terminal right after the program, as an interactive shell would.
  const std::string script = std::string("'") + SIEVEBENCH_PROGRAM +
                             "'; IFS= read -r rest; printf 'NEXT[%s]' \"$rest\"";
  TerminalSession session = StartOnTerminal(folder_, false, script);
  ASSERT_TRUE(ReadUntil(session, PromptText));
  const std::string digits = std::string(127, '0') + "7";  // 128 bytes: the limit 7
  Type(session, digits + "rm -rf everything\r");
  ASSERT_TRUE(ReadUntil(session, " loop-counter\r\n"));
  Type(session, "after\r");
  const int status = Finish(session);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_NE(session.Screen.find("  Number of primes found between 1 and 7 = 4\r\n"), std::string::npos);
  EXPECT_NE(session.Screen.find("NEXT[after]"), std::string::npos) << session.Screen;
}
