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
  uint32_t Round = 0;  // from 1; 0 for warm-ups, and for every run of a sweep without a seed
  size_t Variant = 0;  // which of the sweep's variants runs

  bool operator==(const PlannedRun&) const = default;
};

// The warm-up runs first, limit by limit, each variant's in turn; then
// `Repeat` rounds, each of which runs every limit once, in an order
// shuffled anew from the seed, so that each limit's runs span the whole
// sweep and a slow spell of the machine falls on every limit alike. At each
// limit of a round the variants run back to back, so that the runs a
// paired test sets side by side meet the same state of the machine; their
// order is a rotation that starts at a variant drawn from a shuffled deck
// per limit, dealt anew every `variants` rounds, so that every variant
// comes first, second, ... equally often at every limit (within one when
// the rounds are not a multiple of the variants). The same seed gives the
// same order on every machine. Without a seed (a sweep from before rounds,
// resumed) each limit runs all its runs in turn, as it did then.
std::vector<PlannedRun> PlanRuns(const SweepSettings& settings, size_t variants = 1);

// Why `runs` are not the first runs of `plan`, or "". `variants` names the
// plan's variants, by index.
std::string PlanProblem(const std::vector<PlannedRun>& plan, const std::vector<RunRecord>& runs,
                        const std::vector<std::string>& variants);

// Why the sweep of `file` cannot be resumed with the program described by
// `program` on the machine `here`, or "".
std::string ResumeProblem(const SweepResult& file, const ProgramInfo& program, const Machine& here);
