// SPDX-License-Identifier: MIT
// How far a sweep has come and how long the rest will take: one status line
// rewritten in place on a terminal, plain lines in a log.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "sweep/plan.h"

struct MeasuredRun {
  uint32_t Limit = 0;
  double Seconds = 0;  // from start to reaping, as the sweep saw it
};

// The seconds that the runs from `next` on will take: each limit's mean
// where it has run, else the largest limit run so far scaled by N. None
// before any run.
std::optional<double> EstimateSecondsLeft(const std::vector<PlannedRun>& plan, size_t next,
                                          const std::vector<MeasuredRun>& measured);

// "45s", "3m05s", "2h07m".
std::string DurationText(double seconds);

class Progress {
 public:
  // The estimate uses this session's runs only: a resumed sweep's earlier
  // runs were timed in another session, perhaps under another load.
  // `variants` names the plan's variants; a line names the one that runs
  // when there are several.
  Progress(std::vector<PlannedRun> plan, std::vector<std::string> variants, bool terminal, std::FILE* stream);
  // Before the run `index` of the plan.
  void Starting(size_t index);
  void Finished(size_t index, double seconds);
  // Erases the status line, so that a message can follow on a line of its own.
  void Clear();

 private:
  std::vector<PlannedRun> plan_;
  std::vector<std::string> variants_;
  std::vector<MeasuredRun> measured_;
  double spent_ = 0;
  bool terminal_;
  bool lineShown_ = false;
  std::FILE* stream_;
};
