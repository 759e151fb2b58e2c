// SPDX-License-Identifier: MIT
// Process plumbing for the end-to-end tests.
#include "tests/child_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

const char PromptText[] = "\r\nSieve of Eratosthenes - find primes up to: ";

static std::string EnvironmentOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value == nullptr || *value == 0 ? fallback : value;
}

std::string TargetProgram() {
  return EnvironmentOr("SIEVEBENCH_TARGET_PROGRAM", SIEVEBENCH_PROGRAM);
}

std::vector<std::string> TargetLauncher() {
  std::vector<std::string> words;
  std::istringstream list(EnvironmentOr("SIEVEBENCH_TARGET_LAUNCHER", ""));
  std::string word;
  while (std::getline(list, word, ';')) {
    if (!word.empty()) {
      words.push_back(word);
    }
  }
  return words;
}

bool TargetIsWindows() {
  return TargetProgram().ends_with(".exe");
}

[[noreturn]] static void ExecChild(const ChildRun& run) {
  if (!run.WorkDir.empty() && chdir(run.WorkDir.c_str()) != 0) {
    _exit(126);
  }
  if (!run.Fault.empty()) {
    setenv("SIEVEBENCH_FAULT", run.Fault.c_str(), 1);
  }
  if (run.AddressSpaceLimit != 0) {
    const rlimit limit{run.AddressSpaceLimit, run.AddressSpaceLimit};
    setrlimit(RLIMIT_AS, &limit);
  }
  if (run.StartWithOutputClosed) {
    close(STDOUT_FILENO);
  }
  std::vector<std::string> words = run.Program == TargetProgram() ? TargetLauncher() : std::vector<std::string>{};
  words.push_back(run.Program);
  std::vector<char*> arguments;
  for (std::string& word : words) {
    arguments.push_back(word.data());
  }
  arguments.push_back(nullptr);
  execvp(arguments[0], arguments.data());
  _exit(127);
}

static void WritePieces(int fd, const std::vector<std::string>& pieces) {
  for (size_t index = 0; index < pieces.size(); ++index) {
    if (index != 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    if (write(fd, pieces[index].data(), pieces[index].size()) < 0) {
      break;  // the child stopped reading: what it read is what it got
    }
  }
  close(fd);
}

ChildResult RunThroughPipe(const ChildRun& run) {
  int input[2];
  int output[2];
  if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe failed";
    return {};
  }
  signal(SIGPIPE, SIG_IGN);
  const pid_t child = fork();
  if (child == 0) {
    dup2(input[0], STDIN_FILENO);
    dup2(output[1], STDOUT_FILENO);
    ExecChild(run);
  }
  close(input[0]);
  close(output[1]);
  std::thread writer(WritePieces, input[1], run.InputPieces);
  ChildResult result;
  if (run.CloseOutputEarly) {
    close(output[0]);
  } else {
    char chunk[4096];
    ssize_t got = 0;
    while ((got = read(output[0], chunk, sizeof chunk)) > 0) {
      result.Output.append(chunk, static_cast<size_t>(got));
    }
    close(output[0]);
  }
  int status = 0;
  waitpid(child, &status, 0);
  writer.join();
  if (WIFEXITED(status)) {
    result.ExitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.Signal = WTERMSIG(status);
  }
  return result;
}

bool BuiltWithAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#else
  return false;
#endif
#else
  return false;
#endif
}

static std::string Escaped(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, special, R"(\$&)");
}

ReportTimes ExpectReport(const std::string& output, const ExpectedReport& expected,
                         const std::string& echo) {
  const std::string limit = std::to_string(expected.Limit);
  const std::string pattern =
      Escaped(PromptText + echo + "\r\nLooking for primes from 1 to " + limit +
              " - please wait...\r\n\r\n") +
      "(\\d+)" + Escaped(" ms to initialize array\r\n") + "(\\d+)" +
      Escaped(" ms to sieve the primes\r\n" +
              std::string(expected.WriteError ? " Error: WriteFile,hFile\r\n" : "") +
              std::string(expected.CloseError ? " Error: CloseHandle,hFile\r\n" : "")) +
      "(\\d+)" + Escaped(" ms to count the primes\r\n\r\n") + "(\\d+)" +
      Escaped(" ms total time.\r\n\r\n  Number of primes found between 1 and " + limit +
              " = " + std::to_string(expected.Primes) + "\r\n" +
              std::to_string(expected.Marks) + " loop-counter\r\n") +
      (expected.ReleaseError ? "\r\n[0-9A-F]{8} - ERROR GlobalFree" : "");
  std::smatch match;
  ReportTimes times;
  if (!std::regex_match(output, match, std::regex(pattern))) {
    ADD_FAILURE() << "report differs; got:\n" << testing::PrintToString(output);
    return times;
  }
  times.Init = static_cast<uint32_t>(std::stoul(match[1]));
  times.Sieve = static_cast<uint32_t>(std::stoul(match[2]));
  times.Count = static_cast<uint32_t>(std::stoul(match[3]));
  times.Total = static_cast<uint32_t>(std::stoul(match[4]));
  EXPECT_EQ(times.Total, times.Init + times.Sieve + times.Count) << "total is not the sum of the phases";
  return times;
}
