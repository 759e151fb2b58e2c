// SPDX-License-Identifier: MIT
// The decisions of a comparison on made-up machines: significance, the
// 10-tick rule, the geomean, and the warnings.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "results/comparison.h"
#include "results/conditions.h"
#include "results/report.h"
#include "results/result_file.h"
#include "views/columns.h"
#include "views/json.h"
#include "views/markdown.h"
#include "views/text.h"
#include "tests/support/made_up_sweeps.h"
#include "tests/support/test_files.h"

namespace {

const Cell& CellOf(const Comparison& comparison, uint32_t limit, TimedPhase phase, size_t file) {
  for (const ComparisonRow& row : comparison.Rows) {
    if (row.Limit == limit && row.Phase == phase) {
      return row.Cells.at(file);
    }
  }
  throw std::runtime_error("no row for limit " + std::to_string(limit));
}

bool HasWarning(const Comparison& comparison, const std::string& part) {
  for (const std::string& warning : comparison.Warnings) {
    if (warning.find(part) != std::string::npos) {
      return true;
    }
  }
  return false;
}

}  // namespace

TEST(Comparison, NoiseIsNotAChangeAndTwentyPercentIs) {
  const Comparison comparison = CompareFiles(
      Named({SweepOf("base", {{100000, Base}}), SweepOf("same", {{100000, {101, 100, 100, 99, 101, 100}}}),
             SweepOf("slow", {{100000, {120, 121, 119, 122, 120, 121}}})}),
      0.05);
  const Cell& base = CellOf(comparison, 100000, TimedPhase::Count, 0);
  EXPECT_EQ(base.Runs, 6u);
  EXPECT_EQ(base.MedianMs, 100);
  ASSERT_TRUE(base.MedianInterval);  // six runs: k = 1, the whole range
  EXPECT_EQ(base.MedianInterval->Low, 99);
  EXPECT_EQ(base.MedianInterval->High, 102);
  EXPECT_FALSE(base.ChangePercent);

  const Cell& same = CellOf(comparison, 100000, TimedPhase::Count, 1);
  ASSERT_TRUE(same.Significant);
  EXPECT_FALSE(*same.Significant);
  EXPECT_GT(*same.PValue, 0.05);

  const Cell& slow = CellOf(comparison, 100000, TimedPhase::Total, 2);
  ASSERT_TRUE(slow.Significant);
  EXPECT_TRUE(*slow.Significant);
  EXPECT_NEAR(*slow.PValue, 2.0 / 924, 1e-12);  // fully apart: 2 of C(12, 6) splits
  // The 36 ratios slow/base, sorted: the 18th and 19th are both 120/100; for
  // 6 runs a side P(U <= 5) = 0.021 and P(U <= 6) = 0.033, so the interval
  // runs from the 6th ratio, 121/102, to the 31st, 122/100.
  EXPECT_NEAR(*slow.ChangePercent, 20.0, 1e-9);
  EXPECT_NEAR(*slow.ChangeLowPercent, (121.0 / 102 - 1) * 100, 1e-9);
  EXPECT_NEAR(*slow.ChangeHighPercent, 22.0, 1e-9);
  EXPECT_EQ(slow.Test, "rank-sum");
  EXPECT_EQ(slow.Pairs, 0u);
  EXPECT_EQ(slow.MedianInterval->Low, 119);
  EXPECT_EQ(slow.MedianInterval->High, 122);

  const std::string text = ComparisonText(comparison);
  EXPECT_NE(text.find("~ (p="), std::string::npos) << text;
  EXPECT_NE(text.find("120.5 ms [119\u2013122] +20.0% [+18.6, +22.0] (p=0.002 n=6)"), std::string::npos) << text;
  EXPECT_EQ(text.find("too few runs"), std::string::npos) << text;
}

TEST(Comparison, PhasesUnderTenTicksGetNoRatio) {
  SweepResult windows = SweepOf("windows", {{100000, {125, 125, 140, 125, 125, 140}}, {1000000, Base}});
  windows.Conditions.TimerResolutionMs = 15.625;  // 10 ticks are 156.25 ms
  const Comparison comparison = CompareFiles(
      Named({SweepOf("base", {{1000, {9, 9, 8, 9, 9, 9}}, {100000, Base}, {1000000, Base}}),
             SweepOf("other", {{1000, {9, 10, 9, 9, 10, 9}}, {100000, Base}}), windows}),
      0.05);
  for (const auto& [limit, file] : std::vector<std::pair<uint32_t, size_t>>{{1000, 1}, {100000, 2}, {1000000, 2}}) {
    const Cell& cell = CellOf(comparison, limit, TimedPhase::Count, file);
    EXPECT_TRUE(cell.TooShort) << limit;
    EXPECT_FALSE(cell.ChangePercent) << limit;
    EXPECT_FALSE(cell.PValue) << limit;
    EXPECT_NE(cell.Note.find("too short"), std::string::npos) << cell.Note;
  }
  EXPECT_TRUE(CellOf(comparison, 1000, TimedPhase::Count, 0).TooShort);    // the baseline's own 9 ms
  EXPECT_TRUE(CellOf(comparison, 100000, TimedPhase::Init, 1).TooShort);   // 0 ms
  EXPECT_TRUE(CellOf(comparison, 100000, TimedPhase::Count, 1).PValue);    // 100 ms on a 1 ms timer
  EXPECT_EQ(CellOf(comparison, 1000, TimedPhase::Count, 2).Runs, 0u);      // never ran 1000
  EXPECT_TRUE(HasWarning(comparison, "base's timer steps by 1 ms, windows's by 15.625 ms"))
      << testing::PrintToString(comparison.Warnings);
  const std::string text = ComparisonText(comparison);
  EXPECT_NE(text.find("   1000  count    9 ms [8\u20139]    too short"), std::string::npos) << text;
}

TEST(Comparison, TheGeomeanCoversTheLimitsBothCompare) {
  const std::vector<uint32_t> slower20 = {120, 120, 120, 120, 120, 120};
  const std::vector<uint32_t> slower50 = {150, 150, 150, 150, 150, 150};
  const Comparison comparison = CompareFiles(
      Named({SweepOf("base", {{1000, {1, 1, 1, 1, 1, 1}}, {100000, Base}, {1000000, Base}, {10000000, Base}}),
             SweepOf("both", {{1000, {2, 2, 2, 2, 2, 2}}, {100000, slower20}, {1000000, slower50}}),
             SweepOf("mixed", {{100000, slower20}, {1000000, {60, 60, 60, 60, 60, 60}}, {10000000, Base}})}),
      0.05);
  const GeomeanCell& both = *TotalGeomean(comparison, 1);
  EXPECT_EQ(both.Limits, (std::vector<uint32_t>{100000, 1000000}));  // 1000 is too short, 10^7 not run
  EXPECT_NEAR(*both.ChangePercent, (std::sqrt(1.2 * 1.5) - 1) * 100, 1e-9);
  EXPECT_EQ(both.SlowerLimits, 2u);
  EXPECT_TRUE(both.Significant);
  // +20 %, -40 % and ~0: the geomean leans faster, but a limit went significantly the other way.
  const GeomeanCell& mixed = *TotalGeomean(comparison, 2);
  EXPECT_EQ(mixed.Limits.size(), 3u);
  EXPECT_NEAR(*mixed.ChangePercent, (std::cbrt(1.2 * 0.6 * 1.0) - 1) * 100, 1e-9);
  EXPECT_EQ(mixed.FasterLimits, 1u);
  EXPECT_EQ(mixed.SlowerLimits, 1u);
  EXPECT_FALSE(mixed.Significant);
  EXPECT_TRUE(HasWarning(comparison, "both ran the limits 1000, 100000, 1000000 and base 1000, 100000, 1000000, "
                                     "10000000: its geomeans cover only the limits both ran"));
  EXPECT_EQ(SignificantlySlower(comparison, 30), std::vector<size_t>{1});  // +34.2 %
  EXPECT_TRUE(SignificantlySlower(comparison, 35).empty());
  const std::string text = ComparisonText(comparison);
  EXPECT_NE(text.find("geomean  total  baseline"), std::string::npos) << text;
  EXPECT_NE(text.find("+34.2% (slower at 2 of 2)"), std::string::npos) << text;
  EXPECT_NE(text.find("~ -10.4% (faster at 1 of 3, slower at 1)"), std::string::npos) << text;
}

TEST(Comparison, TooFewRunsToDecideIsOneWarning) {
  const Comparison comparison =
      CompareFiles(Named({SweepOf("base", {{100000, {100, 101, 102}}}), SweepOf("b", {{100000, {200, 201, 202}}}),
                          SweepOf("c", {{100000, {200, 201, 202}}})}),
                   0.05);
  size_t warnings = 0;
  for (const std::string& warning : comparison.Warnings) {
    warnings += warning.find("too few runs") != std::string::npos ? size_t{1} : size_t{0};
  }
  EXPECT_EQ(warnings, 1u);
  EXPECT_TRUE(HasWarning(comparison, "with 3 runs against 3 (b, c) no change can reach p < 0.05; 4 measured runs a "
                                     "side are needed (sievebench-sweep --repeat 4)"));
  EXPECT_NEAR(*CellOf(comparison, 100000, TimedPhase::Count, 1).PValue, 0.1, 1e-12);
  EXPECT_TRUE(comparison.IntervalsMissing);
  EXPECT_NE(ComparisonText(comparison).find("the median's 95% interval needs 6"), std::string::npos);
}

TEST(Comparison, DifferentConditionsAreWarnedOfOneByOne) {
  struct Case {
    const char* What;
    void (*Change)(SweepResult&);
    std::string Says;  // "" for no warning
  };
  const Case cases[] = {
      {"file system", [](SweepResult& r) { r.Conditions.FileSystem = "tmpfs"; },
       "alpha counted on ext4, beta on tmpfs: the count phase compares file systems"},
      {"priority", [](SweepResult& r) { r.Conditions.Priority = "nice 0"; }, ""},  // the baseline's is unknown
      {"governor", [](SweepResult& r) { r.Conditions.Governor = "powersave"; }, ""},
      {"build", [](SweepResult& r) { r.Program.Sha256 = std::string(64, '1'); },
       "beta ran another build of the benchmark than alpha (sha256 111111111111 against sha256 000000000000)"},
      {"unknown file system", [](SweepResult& r) { r.Conditions.FileSystem.reset(); }, ""},
      {"load", [](SweepResult& r) { r.Conditions.LoadAverageStart = 1.5; }, ""},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.What);
    SweepResult base = SweepOf("alpha", {{100000, Base}});
    SweepResult other = SweepOf("beta", {{100000, Base}});
    test.Change(other);
    const std::vector<std::string> warnings = ConditionWarnings(Named({base, other}));
    if (test.Says.empty()) {
      EXPECT_TRUE(warnings.empty()) << warnings.front();
    } else {
      ASSERT_EQ(warnings.size(), 1u);
      EXPECT_EQ(warnings[0].rfind(test.Says, 0), 0u) << warnings[0];
    }
  }
  SweepResult base = SweepOf("alpha", {{100000, Base}});
  base.Conditions.Priority = "nice -14";
  base.Conditions.Governor = "performance";
  base.Conditions.Virtualization = "none";
  SweepResult other = base;
  other.Label = "beta";
  other.Conditions.Priority = "nice 0";
  other.Conditions.Governor = "powersave";
  other.Conditions.Virtualization = "kvm";
  base.Conditions.PagePolicy = "4k";
  other.Conditions.PagePolicy = "thp>=65536";
  const std::vector<std::string> warnings = ConditionWarnings(Named({base, other}));
  ASSERT_EQ(warnings.size(), 4u);
  EXPECT_EQ(warnings[0], "alpha ran at priority nice -14, beta at nice 0: the times compare priorities too");
  EXPECT_EQ(warnings[1], "alpha's CPU governor was performance, beta's powersave: the times compare frequency "
                         "scaling too");
  EXPECT_EQ(warnings[2], "alpha ran under no hypervisor, beta under kvm: the times compare hypervisors too");
  EXPECT_EQ(warnings[3], "alpha's array had the page policy 4k, beta's thp>=65536: the initialize phase "
                         "compares page policies too");
}

TEST(Conditions, APagePolicyIsReadFromTheBuildsOwnBytes) {
  struct Case {
    std::string Bytes;
    uint64_t PageBytes;
    std::optional<std::string> Policy;
  };
  const std::string elf = std::string("\x7f" "ELF\0\0", 6);
  const Case cases[] = {
      {elf + "sievebench-page-policy=page;" + elf, 4096, "4k"},
      {elf + "sievebench-page-policy=page;", 65536, "64k"},
      {"sievebench-page-policy=thp>=65536;", 4096, "thp>=65536"},
      {elf + "no tag at all", 4096, std::nullopt},
      {"sievebench-page-policy=page", 4096, std::nullopt},         // cut off before its end
      {"sievebench-page-policy=;", 4096, std::nullopt},            // empty
      {"sievebench-page-policy=\x1b[2J;", 4096, std::nullopt},    // not a policy's words
      {"sievebench-page-policy=" + std::string(40, 'a') + ";", 4096, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PagePolicyOf(c.Bytes, c.PageBytes), c.Policy) << c.Bytes;
  }
}

TEST(Comparison, CollidingLabelsAreToldApartByTheirFiles) {
  std::vector<ComparedFile> files = {{"a/run.json", SweepOf("lab", {}), "", "", 0},
                                     {"b/run.json", SweepOf("lab", {}), "", "", 0},
                                     {"c/other.json", SweepOf("lab", {}), "", "", 0},
                                     {"d/other.json", SweepOf("box", {}), "", "", 0}};
  NameFiles(files);
  EXPECT_EQ(files[0].Name, "lab (a/run.json)");
  EXPECT_EQ(files[1].Name, "lab (b/run.json)");
  EXPECT_EQ(files[2].Name, "lab (other.json)");
  EXPECT_EQ(files[3].Name, "box");
}

TEST(Comparison, ChangedCountsAreTamperingAndInvalidRunsAreNot) {
  const SweepResult sound = SweepOf("lab", {{100, {10, 11}}, {1000, {12}}});
  EXPECT_TRUE(FindTampering(sound).empty());
  struct Case {
    const char* What;
    void (*Change)(RunRecord&);
    std::string Says;
  };
  const Case cases[] = {
      {"primes", [](RunRecord& run) { run.Values.Primes = 26; }, "limit 100, run 2: found 26 primes, not 25"},
      {"loop-counter", [](RunRecord& run) { run.Values.LoopCounter = 27; }, "limit 100, run 2: loop-counter 27, not 28"},
      {"total", [](RunRecord& run) { run.Values.TotalMs = 3; }, "limit 100, run 2: total 3 ms"},
  };
  for (const Case& test : cases) {
    SweepResult changed = sound;
    test.Change(changed.Runs[1]);
    const auto problems = FindTampering(changed);
    ASSERT_EQ(problems.size(), 1u) << test.What;
    EXPECT_EQ(problems[0].rfind(test.Says, 0), 0u) << problems[0];
    changed.Runs[1].Valid = false;  // the sweep itself found it wrong: shown, not counted
    changed.Runs[1].Problems = "found 26 primes, not 25";
    EXPECT_TRUE(FindTampering(changed).empty()) << test.What;
    const Comparison comparison = CompareFiles(Named({changed}), 0.05);
    EXPECT_EQ(CellOf(comparison, 100, TimedPhase::Count, 0).Runs, 1u);
    EXPECT_EQ(comparison.InvalidRuns,
              std::vector<std::string>{"lab: limit 100, run 2 is invalid (found 26 primes, not 25) and left out"});
  }
}
