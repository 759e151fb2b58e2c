// SPDX-License-Identifier: MIT
// Planning a sweep's runs, and deciding whether a file's sweep may go on
// here: the same build of the benchmark on the same machine, or its times
// would mix two things in one result.
#include "sweep/plan.h"

#include <random>
#include <utility>

std::vector<PlannedRun> PlanRuns(const SweepSettings& settings) {
  std::vector<PlannedRun> plan;
  if (!settings.Seed) {
    for (const uint32_t limit : settings.Limits) {
      for (uint32_t run = 1; run <= settings.Warmup + settings.Repeat; ++run) {
        plan.push_back({limit, run, run <= settings.Warmup, 0});
      }
    }
    return plan;
  }
  for (const uint32_t limit : settings.Limits) {
    for (uint32_t run = 1; run <= settings.Warmup; ++run) {
      plan.push_back({limit, run, true, 0});
    }
  }
  std::mt19937_64 engine(*settings.Seed);
  std::vector<uint32_t> order = settings.Limits;
  for (uint32_t round = 1; round <= settings.Repeat; ++round) {
    // Fisher-Yates over the engine's own numbers: std::mt19937_64's output
    // is fixed by the standard, std::shuffle's use of it is not.
    for (size_t last = order.size(); last > 1; --last) {
      std::swap(order[last - 1], order[engine() % last]);
    }
    for (const uint32_t limit : order) {
      plan.push_back({limit, settings.Warmup + round, false, round});
    }
  }
  return plan;
}

std::string PlanProblem(const std::vector<PlannedRun>& plan, const std::vector<RunRecord>& runs) {
  if (runs.size() > plan.size()) {
    return "it holds " + std::to_string(runs.size()) + " runs, more than its options make (" +
           std::to_string(plan.size()) + ")";
  }
  for (size_t index = 0; index < runs.size(); ++index) {
    const PlannedRun made{runs[index].Limit, runs[index].Run, runs[index].Warmup, runs[index].Round};
    if (!(made == plan[index])) {
      return "run " + std::to_string(index + 1) + " is not the one its options make there";
    }
  }
  return "";
}

std::string ResumeProblem(const SweepResult& file, const ProgramInfo& program, const Machine& here) {
  if (file.Complete) {
    return "the sweep is complete; there is nothing to resume";
  }
  if (!file.Options) {
    return "it does not record the options that made it";
  }
  if (program.SizeBytes != file.Program.SizeBytes || !file.Program.Sha256 || program.Sha256 != file.Program.Sha256) {
    return "the program " + file.Options->Program + " is not the build the sweep began with";
  }
  if (here.Cpu != file.Host.Cpu || here.Cores != file.Host.Cores) {
    return "it was measured on another machine (" + file.Host.Cpu + ", " + std::to_string(file.Host.Cores) +
           " cores)";
  }
  return "";
}
