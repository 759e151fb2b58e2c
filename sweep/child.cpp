// SPDX-License-Identifier: MIT
// Process plumbing for the sweep: fork, exec, feed the limit, read with a
// deadline, and kill what overruns it.
#include "sweep/child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

// Reads the child's output until it closes it or the deadline passes.
static bool ReadUntilClosed(int fd, std::chrono::steady_clock::time_point deadline, std::string& output) {
  char chunk[65536];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      return false;
    }
    pollfd ready{fd, POLLIN, 0};
    const int events = poll(&ready, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
    if (events < 0 && errno != EINTR) {
      return true;
    }
    if (events <= 0) {
      continue;
    }
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return true;
    }
    output.append(chunk, static_cast<size_t>(got));
  }
}

ChildOutcome RunBenchmarkOnce(const std::string& program, const std::string& workDir, uint32_t limit,
                              double timeoutSeconds) {
  ChildOutcome outcome;
  int input[2];
  int output[2];
  if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0) {
    outcome.StartError = std::string("pipe: ") + std::strerror(errno);
    return outcome;
  }
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<long long>(timeoutSeconds * 1000));
  const pid_t child = fork();
  if (child < 0) {
    outcome.StartError = std::string("fork: ") + std::strerror(errno);
    return outcome;
  }
  if (child == 0) {
    dup2(input[0], STDIN_FILENO);
    dup2(output[1], STDOUT_FILENO);
    dup2(output[1], STDERR_FILENO);
    if (chdir(workDir.c_str()) != 0) {
      _exit(126);
    }
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    const std::string failure = "cannot run " + program + ": " + std::strerror(errno) + "\n";
    if (write(STDERR_FILENO, failure.data(), failure.size()) < 0) {
      _exit(127);  // nowhere left to say it; the exit status still does
    }
    _exit(127);
  }
  close(input[0]);
  close(output[1]);
  const std::string line = std::to_string(limit) + "\n";
  // A child that died before reading gets no limit; its exit status tells why.
  outcome.LimitSent = write(input[1], line.data(), line.size()) == static_cast<ssize_t>(line.size());
  close(input[1]);
  outcome.TimedOut = !ReadUntilClosed(output[0], deadline, outcome.Output);
  if (outcome.TimedOut) {
    kill(child, SIGKILL);
  }
  close(output[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) {
    outcome.ExitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    outcome.Signal = WTERMSIG(status);
  }
  return outcome;
}

std::string DescribeFailure(const ChildOutcome& outcome) {
  if (!outcome.StartError.empty()) {
    return outcome.StartError;
  }
  if (outcome.TimedOut) {
    return "stopped after the time-out";
  }
  if (outcome.Signal != 0) {
    return std::string("killed by signal ") + strsignal(outcome.Signal);
  }
  if (outcome.ExitCode != 0) {
    return "exit status " + std::to_string(outcome.ExitCode);
  }
  return outcome.LimitSent ? "" : "it did not read its limit";
}
