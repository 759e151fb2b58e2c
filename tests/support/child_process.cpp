// SPDX-License-Identifier: MIT
// The end-to-end tests start the programs through the door of the companions
// to the system, as the sweep does.
#include "tests/support/child_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sstream>

#include "host/system.h"

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

// What the door does not do itself (a limit, a closed descriptor, input in
// pieces, a reader that leaves) a shell does around the program: `words`
// becomes a script's arguments, and the script ends by running them.
static std::vector<std::string> InShell(const ChildRun& run, std::vector<std::string> words) {
  std::string script;
  if (run.AddressSpaceLimit != 0) {
    script += "ulimit -v " + std::to_string(run.AddressSpaceLimit / 1024) + " || exit 125; ";
  }
  std::string feed;
  if (run.InputPieces.size() > 1) {
    // The pieces come first among the arguments, each after a pause.
    script += "pieces=" + std::to_string(run.InputPieces.size()) + "; ";
    feed = "{ i=0; for piece in \"$@\"; do [ $i -lt $pieces ] || break; [ $i -eq 0 ] || sleep 0.03; "
           "printf %s \"$piece\"; i=$((i+1)); done; } | { shift $pieces; ";
    words.insert(words.begin(), run.InputPieces.begin(), run.InputPieces.end());
  }
  const std::string program = std::string(run.StartWithOutputClosed ? "exec \"$@\" >&-" : "exec \"$@\"");
  // A reader that leaves at once; pipefail keeps the program's own status.
  const std::string body = run.CloseOutputEarly ? "set -o pipefail; { " + program + "; } | true" : program;
  script += feed.empty() ? body : feed + body + "; }";
  std::vector<std::string> shell = {"/bin/bash", "-c", script, "bash"};
  shell.insert(shell.end(), words.begin(), words.end());
  return shell;
}

ChildResult RunThroughPipe(const ChildRun& run) {
  std::vector<std::string> words = run.Program == TargetProgram() ? TargetLauncher() : std::vector<std::string>{};
  if (!run.Fault.empty()) {
    words.insert(words.begin(), {"env", "SIEVEBENCH_FAULT=" + run.Fault});
  }
  words.push_back(run.Program);
  const bool shellNeeded =
      run.AddressSpaceLimit != 0 || run.StartWithOutputClosed || run.CloseOutputEarly || run.InputPieces.size() > 1;
  if (shellNeeded) {
    words = InShell(run, words);
  }
  if (words[0].find('/') == std::string::npos) {
    words[0] = FindOnPath(words[0]).value_or(words[0]);
  }
  ProcessRequest request;
  request.Program = words[0];
  request.Arguments.assign(words.begin() + 1, words.end());
  request.WorkDir = run.WorkDir;
  if (run.InputPieces.size() <= 1) {  // more pieces are the shell's to feed
    request.Input = run.InputPieces.empty() ? "" : run.InputPieces[0];
  }
  request.TimeoutSeconds = 600;  // far beyond any run here: only a hang reaches it
  request.ErrorsApart = true;    // the report is standard output alone
  const ProcessOutcome outcome = RunProcess(request);
  EXPECT_EQ(outcome.StartError, "");
  EXPECT_FALSE(outcome.TimedOut) << run.Program << " ran for 10 minutes";
  return {outcome.Output, outcome.ExitCode, outcome.Signal};
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
