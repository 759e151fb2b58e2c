// SPDX-License-Identifier: MIT
// Made-up histories for the archive's tests: sweeps of a machine whose level
// steps where the test says, with the noise between sweeps modelled as the
// comparison models it (each half of a sweep meets a spell of its own), and
// whole-millisecond runs. The draws come from a seeded mt19937_64, whose
// output the standard fixes, so every machine makes the same histories.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "results/model.h"

struct HistoryShape {
  size_t Sweeps = 20;
  size_t Runs = 20;              // per sweep
  double LevelMs = 200;
  double SpellSpread = 0.015;    // a half-sweep's log offset
  double RunSpread = 0.01;       // a run's log offset within its half
  std::vector<std::pair<size_t, double>> Steps;  // (first sweep of the new level, factor)
  uint64_t Seed = 1;
};

// Each sweep's count times in the order they ran.
std::vector<std::vector<double>> MadeUpTimes(const HistoryShape& shape);

// A whole result file of one sweep with these count times per limit, dated
// `date`, for the archive's import.
SweepResult MadeUpSweep(const std::string& label, const std::string& date,
                        const std::map<uint32_t, std::vector<double>>& times);
// "2026-01-05T03:00:00Z" plus `weeks` weeks.
std::string WeeklyDate(size_t weeks);
