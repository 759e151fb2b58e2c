// SPDX-License-Identifier: MIT
// Runs the real executable as a user would, through pipes or a
// pseudo-terminal, and reads back what it printed and the files it left.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

// The program under test: the native build, or the build for another machine
// named by SIEVEBENCH_TARGET_PROGRAM, started through the words of
// SIEVEBENCH_TARGET_LAUNCHER (";"-separated, as CMake lists them: an
// emulator, or a Windows loader with its settings).
std::string TargetProgram();
std::vector<std::string> TargetLauncher();
// True when the program is the Windows build.
bool TargetIsWindows();

struct ChildRun {
  std::string Program = TargetProgram();
  std::vector<std::string> InputPieces;  // written to stdin one by one, with a pause between
  std::string WorkDir;                   // where primes.txt goes
  std::string Fault;                     // SIEVEBENCH_FAULT for the fault-injection build
  uint64_t AddressSpaceLimit = 0;        // RLIMIT_AS in the child; 0 for none
  bool CloseOutputEarly = false;         // the reader of stdout goes away at once
  bool StartWithOutputClosed = false;    // descriptor 1 is closed when the program starts
};

struct ChildResult {
  std::string Output;
  int ExitCode = -1;  // -1 when the child did not exit normally
  int Signal = 0;     // the signal that ended it, if any
};

ChildResult RunThroughPipe(const ChildRun& run);

bool BuiltWithAddressSanitizer();

// The report as the program prints it after the prompt, with the times as
// numbers the caller gets back. Failures are recorded with gtest assertions.
struct ExpectedReport {
  uint32_t Limit = 0;
  uint32_t Primes = 0;
  uint32_t Marks = 0;
  bool WriteError = false;
  bool CloseError = false;
  bool ReleaseError = false;
};
struct ReportTimes {
  uint32_t Init = 0, Sieve = 0, Count = 0, Total = 0;
};
// Checks `output` against the whole expected byte sequence (the echo of a
// typed line may stand between prompt and report) and the total against the
// sum of the phase times.
ReportTimes ExpectReport(const std::string& output, const ExpectedReport& expected,
                         const std::string& echo = "");

extern const char PromptText[];
