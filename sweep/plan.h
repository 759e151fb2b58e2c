// SPDX-License-Identifier: MIT
// The runs a sweep makes, in order, so that a sweep cut short can be
// resumed where it stopped: its file holds the plan's first runs, and the
// plan says what is left.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "results/model.h"

struct PlannedRun {
  uint32_t Limit = 0;
  uint32_t Run = 0;  // 1-based within its limit, warm-up runs first
  bool Warmup = false;

  bool operator==(const PlannedRun&) const = default;
};

// Each limit in turn: its warm-up runs, then its measured runs.
std::vector<PlannedRun> PlanRuns(const SweepSettings& settings);

// Why `runs` are not the first runs of `plan`, or "".
std::string PlanProblem(const std::vector<PlannedRun>& plan, const std::vector<RunRecord>& runs);

// Why the sweep of `file` cannot be resumed with the program described by
// `program` on the machine `here`, or "".
std::string ResumeProblem(const SweepResult& file, const ProgramInfo& program, const Machine& here);
