// SPDX-License-Identifier: MIT
// One run of the benchmark, judged: it runs as a child in a folder of its
// own with the limit on its standard input, and its report is checked on its
// own terms.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "results/model.h"
#include "host/system.h"

struct RunRequest {
  std::string Program;
  std::string Folder;  // made if missing; primes.txt lands here
  uint32_t Limit = 0;
  uint32_t Run = 0;
  bool Warmup = false;
  double TimeoutSeconds = 3600;
  std::optional<unsigned> Cpu;
};

// The run's record; `outcome` receives what the child did, so a run that a
// stop request cut short can be told from one that failed.
RunRecord RunOnce(const RunRequest& request, ProcessOutcome& outcome);

// Shows an invalid run on standard error with everything it printed, escaped.
void ShowInvalidRun(const RunRecord& record, const std::string& output);

// What went wrong with a child, for a message; empty when it exited with 0.
std::string DescribeFailure(const ProcessOutcome& outcome);
