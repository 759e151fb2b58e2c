// SPDX-License-Identifier: MIT
// One run of the benchmark as a child process: the limit on its standard
// input, everything it prints captured, stopped when it overruns its time.
#pragma once

#include <cstdint>
#include <string>

struct ChildOutcome {
  std::string Output;      // standard output and standard error, as printed
  std::string StartError;  // why the child could not be started; empty when it was
  bool LimitSent = false;  // the limit's line reached the child's input
  bool TimedOut = false;
  int ExitCode = -1;  // -1 when it did not exit by itself
  int Signal = 0;     // the signal that ended it, if any
};

ChildOutcome RunBenchmarkOnce(const std::string& program, const std::string& workDir, uint32_t limit,
                              double timeoutSeconds);

// What went wrong with a child, for a message; empty when it exited with 0.
std::string DescribeFailure(const ChildOutcome& outcome);
