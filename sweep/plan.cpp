// SPDX-License-Identifier: MIT
// Planning a sweep's runs, and deciding whether a file's sweep may go on
// here: the same build of the benchmark on the same machine, or its times
// would mix two things in one result.
#include "sweep/plan.h"

#include "results/variants.h"

#include <algorithm>
#include <numeric>
#include <random>
#include <utility>

namespace {

// Fisher-Yates over the engine's own numbers: std::mt19937_64's output is
// fixed by the standard, std::shuffle's use of it is not.
template <typename Item>
void Shuffle(std::vector<Item>& items, std::mt19937_64& engine) {
  for (size_t last = items.size(); last > 1; --last) {
    std::swap(items[last - 1], items[static_cast<size_t>(engine() % last)]);
  }
}

std::vector<PlannedRun> LimitByLimit(const SweepSettings& settings) {
  std::vector<PlannedRun> plan;
  for (const uint32_t limit : settings.Limits) {
    for (uint32_t run = 1; run <= settings.Warmup + settings.Repeat; ++run) {
      plan.push_back({limit, run, run <= settings.Warmup, 0, 0});
    }
  }
  return plan;
}

}  // namespace

std::vector<PlannedRun> PlanRuns(const SweepSettings& settings, size_t variants) {
  if (!settings.Seed || variants == 0) {
    return LimitByLimit(settings);
  }
  std::vector<PlannedRun> plan;
  for (const uint32_t limit : settings.Limits) {
    for (size_t variant = 0; variant < variants; ++variant) {
      for (uint32_t run = 1; run <= settings.Warmup; ++run) {
        plan.push_back({limit, run, true, 0, variant});
      }
    }
  }
  std::mt19937_64 engine(*settings.Seed);
  std::vector<uint32_t> order = settings.Limits;
  std::vector<std::vector<size_t>> firsts(settings.Limits.size());  // each limit's deck
  for (uint32_t round = 1; round <= settings.Repeat; ++round) {
    const size_t dealt = (round - 1) % variants;
    if (variants > 1 && dealt == 0) {
      for (std::vector<size_t>& deck : firsts) {
        deck.resize(variants);
        std::iota(deck.begin(), deck.end(), size_t{0});
        Shuffle(deck, engine);
      }
    }
    Shuffle(order, engine);
    for (const uint32_t limit : order) {
      const size_t place = static_cast<size_t>(
          std::find(settings.Limits.begin(), settings.Limits.end(), limit) - settings.Limits.begin());
      const size_t first = variants > 1 ? firsts[place][dealt] : 0;
      for (size_t step = 0; step < variants; ++step) {
        plan.push_back({limit, settings.Warmup + round, false, round, (first + step) % variants});
      }
    }
  }
  return plan;
}

std::string PlanProblem(const std::vector<PlannedRun>& plan, const std::vector<RunRecord>& runs,
                        const std::vector<std::string>& variants) {
  if (runs.size() > plan.size()) {
    return "it holds " + std::to_string(runs.size()) + " runs, more than its options make (" +
           std::to_string(plan.size()) + ")";
  }
  for (size_t index = 0; index < runs.size(); ++index) {
    const PlannedRun& planned = plan[index];
    const RunRecord& run = runs[index];
    const bool sameVariant = planned.Variant < variants.size() ? variants[planned.Variant] == VariantOf(run)
                                                               : false;
    if (run.Limit != planned.Limit || run.Run != planned.Run || run.Warmup != planned.Warmup ||
        run.Round != planned.Round || !sameVariant) {
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
