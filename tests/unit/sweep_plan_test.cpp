// SPDX-License-Identifier: MIT
// Sweeps that lose nothing, in parts: the plan a resume follows, the checks
// before the first run, and the estimate of the time left.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "results/result_file.h"
#include "host/system.h"
#include "sweep/capacity.h"
#include "sweep/options.h"
#include "sweep/plan.h"
#include "sweep/progress.h"
#include "tests/support/child_process.h"

namespace fs = std::filesystem;

static RunRecord Made(uint32_t limit, uint32_t run, bool warmup) {
  RunRecord record;
  record.Limit = limit;
  record.Run = run;
  record.Warmup = warmup;
  return record;
}

TEST(SweepPlan, ARecordedSweepMustBeThePlansFirstRuns) {
  const SweepSettings settings{{100, 1000}, 2, 1, "lab", "/bin/true", "", std::nullopt, 60, std::nullopt};
  const std::vector<PlannedRun> plan = PlanRuns(settings);
  const std::vector<PlannedRun> expected = {{100, 1, true},  {100, 2, false},  {100, 3, false},
                                            {1000, 1, true}, {1000, 2, false}, {1000, 3, false}};
  EXPECT_EQ(plan, expected);
  struct Case {
    std::vector<RunRecord> Runs;
    std::string Says;
  };
  const Case cases[] = {
      {{}, ""},
      {{Made(100, 1, true), Made(100, 2, false)}, ""},
      {{Made(100, 1, true), Made(100, 3, false)}, "run 2 is not the one"},
      {{Made(100, 1, false)}, "run 1 is not the one"},
      {{Made(1000, 1, true)}, "run 1 is not the one"},
      {std::vector<RunRecord>(7, Made(100, 1, true)), "more than its options make (6)"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Runs.size());
    const std::string problem = PlanProblem(plan, test.Runs, {DefaultVariant});
    EXPECT_EQ(problem.empty(), test.Says.empty()) << problem;
    EXPECT_NE(problem.find(test.Says), std::string::npos) << problem;
  }
}

TEST(SweepPlan, RoundsRunEveryLimitOnceInAShuffledOrderAfterTheWarmups) {
  SweepSettings settings{{10, 100, 1000, 10000, 100000, 1000000}, 12, 2, "lab", "/bin/true", "", std::nullopt, 60, 42};
  const std::vector<PlannedRun> plan = PlanRuns(settings);
  ASSERT_EQ(plan.size(), 6u * 14);
  std::map<uint32_t, uint32_t> runsSoFar;
  std::set<std::vector<uint32_t>> orders;
  for (size_t index = 0; index < plan.size(); ++index) {
    const PlannedRun& run = plan[index];
    EXPECT_EQ(run.Warmup, index < 12) << index;  // every warm-up comes first
    EXPECT_EQ(run.Run, ++runsSoFar[run.Limit]) << index;
    EXPECT_EQ(run.Round, run.Warmup ? 0 : (index - 12) / 6 + 1) << index;
  }
  for (uint32_t round = 1; round <= 12; ++round) {
    std::vector<uint32_t> order;
    for (size_t index = 12 + (round - 1) * 6; index < 12 + round * 6; ++index) {
      order.push_back(plan[index].Limit);
    }
    orders.insert(order);
    std::sort(order.begin(), order.end());
    EXPECT_EQ(order, settings.Limits) << "round " << round << " runs each limit once";
  }
  // 720 orders of six: twelve rounds that all repeated one would be no shuffle.
  EXPECT_GT(orders.size(), 6u);
  EXPECT_EQ(PlanRuns(settings), plan);  // the same seed, the same order
  settings.Seed = 43;
  EXPECT_NE(PlanRuns(settings), plan);
  // A recorded run in another round than its plan's is not its plan's.
  RunRecord moved = Made(plan[12].Limit, plan[12].Run, false);
  moved.Round = 2;
  std::vector<RunRecord> runs;
  for (size_t index = 0; index < 12; ++index) {
    runs.push_back(Made(plan[index].Limit, plan[index].Run, true));
  }
  EXPECT_EQ(PlanProblem(plan, runs, {DefaultVariant}), "");
  runs.push_back(moved);
  EXPECT_NE(PlanProblem(plan, runs, {DefaultVariant}).find("run 13 is not the one"), std::string::npos);
}

TEST(SweepPlan, VariantsRunBackToBackAndEachTakesEveryPlaceEquallyOftenAtEveryLimit) {
  const SweepSettings settings{{100, 1000, 10000}, 12, 1, "lab", "/bin/true", "", std::nullopt, 60, 7};
  const size_t variants = 3;
  const std::vector<PlannedRun> plan = PlanRuns(settings, variants);
  ASSERT_EQ(plan.size(), 3u * variants * 13);
  const size_t warmups = 3 * variants;
  std::map<std::pair<uint32_t, size_t>, std::map<size_t, int>> places;  // (limit, place) -> variant -> times
  for (size_t index = warmups; index < plan.size(); index += variants) {
    const PlannedRun& first = plan[index];
    std::set<size_t> seen;
    for (size_t place = 0; place < variants; ++place) {
      const PlannedRun& run = plan[index + place];
      EXPECT_EQ(run.Limit, first.Limit) << index;  // one limit's variants back to back
      EXPECT_EQ(run.Round, first.Round) << index;
      EXPECT_EQ(run.Variant, (first.Variant + place) % variants) << index;
      seen.insert(run.Variant);
      ++places[{run.Limit, place}][run.Variant];
    }
    EXPECT_EQ(seen.size(), variants);
  }
  for (const auto& [where, counts] : places) {
    for (size_t variant = 0; variant < variants; ++variant) {
      EXPECT_EQ(counts.count(variant) ? counts.at(variant) : 0, 4)
          << "limit " << where.first << ", place " << where.second << ", variant " << variant;
    }
  }
  for (size_t index = 0; index < warmups; ++index) {
    EXPECT_TRUE(plan[index].Warmup);
  }
  // A resume checks the variant of each recorded run, by name.
  std::vector<RunRecord> runs;
  for (size_t index = 0; index <= warmups; ++index) {
    runs.push_back(Made(plan[index].Limit, plan[index].Run, plan[index].Warmup));
    runs.back().Round = plan[index].Round;
    runs.back().Variant = std::string(1, static_cast<char>('a' + plan[index].Variant));
  }
  EXPECT_EQ(PlanProblem(plan, runs, {"a", "b", "c"}), "");
  EXPECT_NE(PlanProblem(plan, runs, {"a", "c", "b"}), "");
}

TEST(SweepPlan, AResumeNeedsTheSameBuildOnTheSameMachineAndAnUnfinishedSweep) {
  SweepResult file;
  file.Complete = false;
  file.Host = {"AMD EPYC", 2, "x86_64", "Debian", "6.1", 1 << 30, std::nullopt};
  file.Program = {"/usr/bin/sievebench", 23816, std::string(64, 'a')};
  file.Options = SweepSettings{{100}, 1, 0, "lab", "/usr/bin/sievebench", "", std::nullopt, 60, 7};
  const ProgramInfo same = file.Program;
  struct Case {
    std::string What;
    SweepResult File;
    ProgramInfo Program;
    Machine Here;
    std::string Says;
  };
  SweepResult complete = file;
  complete.Complete = true;
  SweepResult noOptions = file;
  noOptions.Options.reset();
  SweepResult noIdentity = file;
  noIdentity.Program.Sha256.reset();
  Machine moreCores = file.Host;
  moreCores.Cores = 4;
  Machine otherCpu = file.Host;
  otherCpu.Cpu = "Intel Xeon";
  Machine otherKernel = file.Host;
  otherKernel.Kernel = "6.2";
  const Case cases[] = {
      {"the same", file, same, file.Host, ""},
      {"a new kernel", file, same, otherKernel, ""},
      {"complete", complete, same, file.Host, "the sweep is complete"},
      {"no options", noOptions, same, file.Host, "does not record the options"},
      {"rebuilt", file, {same.Path, same.SizeBytes, std::string(64, 'b')}, file.Host, "not the build"},
      {"resized", file, {same.Path, 23817, same.Sha256}, file.Host, "not the build"},
      {"unknown build", noIdentity, {same.Path, same.SizeBytes, std::nullopt}, file.Host, "not the build"},
      {"more cores", file, same, moreCores, "another machine (AMD EPYC, 2 cores)"},
      {"another CPU", file, same, otherCpu, "another machine"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.What);
    const std::string problem = ResumeProblem(test.File, test.Program, test.Here);
    EXPECT_EQ(problem.empty(), test.Says.empty()) << problem;
    EXPECT_NE(problem.find(test.Says), std::string::npos) << problem;
  }
}

// The bound holds against the real files, counted by the tests' own sieve,
// and stays near them.
TEST(SweepCapacity, ThePrimesFileBoundHoldsAndStaysClose) {
  for (const uint32_t limit : {1u, 2u, 3u, 16u, 17u, 100u, 1000u, 65536u, 1000000u}) {
    SCOPED_TRACE(limit);
    const uint64_t actual = AllRecordsUpTo(limit).size();
    EXPECT_GE(PrimesFileBytesAtMost(limit), actual);
    if (limit >= 1000) {
      EXPECT_LE(PrimesFileBytesAtMost(limit), actual * 13 / 10);
    }
  }
}

TEST(SweepCapacity, WhatDoesNotFitIsRefusedByName) {
  struct Case {
    const char* Limits;
    uint32_t RunsPerLimit;
    bool Kept;
    uint64_t Memory, Disk;  // 0: unknown
    std::string Says;
  };
  const Case cases[] = {
      {"1e6", 5, false, 0, 0, ""},                // nothing known, nothing refused
      {"1e6", 5, false, 1000001, 908444, ""},  // both just fit
      {"1e3,1e6", 5, false, 1000000, 1u << 30,
       "the limit 1000000 needs 976.6 KiB of memory for its array, and 976.6 KiB is available"},
      {"1e6,1e3", 5, false, 1u << 30, 784970,  // the real file's size: the bound is above it
       "the limit 1000000 needs up to 887.2 KiB for primes.txt, and the run folder has 766.6 KiB free"},
      {"1e3,1e6", 3, false, 0, 2500000, ""},  // one run's file at a time
      {"1e3,1e6", 3, true, 0, 2500000,
       "the kept runs up to the limit 1000000 need up to 2.6 MiB for primes.txt, and the run folder has 2.4 MiB free"},
      {"2147483647", 1, false, 1u << 30, 0, "needs 2.0 GiB of memory"},
  };
  auto known = [](uint64_t size) { return size == 0 ? std::nullopt : std::optional(size); };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Says);
    CapacityNeeds needs;
    ASSERT_EQ(ParseLimits(test.Limits, needs.Limits), "");
    needs.RunsPerLimit = test.RunsPerLimit;
    needs.RunsKept = test.Kept;
    const std::string problem = CapacityProblem(needs, known(test.Memory), known(test.Disk));
    EXPECT_EQ(problem.empty(), test.Says.empty()) << problem;
    EXPECT_NE(problem.find(test.Says), std::string::npos) << problem;
  }
}

TEST(SweepProgress, TheEstimateScalesByTheLimitWhereThereIsNoTimeYet) {
  const std::vector<PlannedRun> plan = PlanRuns({{10, 100, 1000}, 2, 0, "", "", "", std::nullopt, 60, std::nullopt});
  EXPECT_FALSE(EstimateSecondsLeft(plan, 0, {}).has_value());
  // 10 ran in 1 s and 3 s: a mean of 2 s, so 100 takes 20 s and 1000 200 s.
  EXPECT_DOUBLE_EQ(*EstimateSecondsLeft(plan, 2, {{10, 1}, {10, 3}}), 20 + 20 + 200 + 200);
  // 100 took 30 s: its own mean for 100, and 300 s from it for 1000.
  EXPECT_DOUBLE_EQ(*EstimateSecondsLeft(plan, 3, {{10, 1}, {10, 3}, {100, 30}}), 30 + 300 + 300);
  EXPECT_DOUBLE_EQ(*EstimateSecondsLeft(plan, 6, {{10, 1}}), 0);
  const std::pair<double, const char*> durations[] = {
      {0, "0s"}, {59.4, "59s"}, {59.6, "1m00s"}, {185, "3m05s"}, {3599, "59m59s"}, {7620, "2h07m"}, {-3, "0s"}};
  for (const auto& [seconds, text] : durations) {
    EXPECT_EQ(DurationText(seconds), text) << seconds;
  }
}
