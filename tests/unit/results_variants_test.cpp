// SPDX-License-Identifier: MIT
// Verdicts within one sweep and between sweeps: paired rounds of variants,
// the noise between sweeps read from a file's own halves, and drift; each
// against values worked by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "results/comparison.h"
#include "results/sweep_noise.h"
#include "results/variants.h"
#include "sweep/options.h"
#include "tests/support/made_up_sweeps.h"
#include "views/cell_text.h"

namespace {

const Cell& CountCell(const Comparison& comparison, uint32_t limit, size_t column) {
  for (const ComparisonRow& row : comparison.Rows) {
    if (row.Limit == limit && row.Phase == TimedPhase::Count) {
      return row.Cells.at(column);
    }
  }
  throw std::runtime_error("no row");
}

}  // namespace

TEST(VariantNames, OnlyPlainShortNamesAndTheKnownKeys) {
  struct Case {
    std::string Text;
    std::string Says;  // "" for a good one
  };
  const Case cases[] = {
      {"base", ""},
      {"tmpfs:dir=/dev/shm/runs", ""},
      {"pinned:cpu=1,program=/opt/sb", ""},
      {"", "1 to 32 characters"},
      {std::string(33, 'a'), "1 to 32 characters"},
      {"a b:cpu=1", "only letters"},
      {"x\x1b[2J", "only letters"},
      {"a:cpu=one", "not a CPU's number"},
      {"a:cpu=", "has no value"},
      {"a:colour=red", "not a key"},
      {"a:program", "not KEY=VALUE"},
  };
  for (const Case& test : cases) {
    VariantOption variant;
    const std::string problem = ParseVariant(test.Text, variant);
    EXPECT_EQ(problem.empty(), test.Says.empty()) << test.Text << ": " << problem;
    EXPECT_NE(problem.find(test.Says), std::string::npos) << test.Text << ": " << problem;
  }
  VariantOption pinned;
  ASSERT_EQ(ParseVariant("pinned:cpu=1,program=/opt/sb", pinned), "");
  EXPECT_EQ(pinned.Name, "pinned");
  EXPECT_EQ(pinned.Cpu, 1u);
  EXPECT_EQ(pinned.Program, "/opt/sb");
  EXPECT_FALSE(pinned.Dir);  // left out: the sweep's own
}

TEST(PairedVerdict, RoundsPairedFindWhatSeparateSamplesCannot) {
  // Each round's second variant is 10 % slower, while the rounds themselves
  // range over 50 %: apart, the samples overlap; paired, every ratio is 1.1.
  const std::vector<uint32_t> a = {100, 150, 110, 140, 120, 130};
  const std::vector<uint32_t> b = {110, 165, 121, 154, 132, 143};
  const Comparison comparison =
      CompareFiles(Named({SweepOfVariants("lab", {{"a", {{100000, a}}}, {"b", {{100000, b}}}})}), 0.05);
  ASSERT_EQ(comparison.Files.size(), 2u);
  EXPECT_EQ(comparison.Files[0].Name, "a");
  EXPECT_EQ(comparison.Files[1].Name, "b");
  const Cell& paired = CountCell(comparison, 100000, 1);
  EXPECT_EQ(paired.Test, "signed-rank");
  EXPECT_EQ(paired.Pairs, 6u);
  // Six equal positive ratios: T+ is 21 in 1 of 2^6 sign assignments, each tail.
  EXPECT_NEAR(*paired.PValue, 2.0 / 64, 1e-12);
  EXPECT_TRUE(*paired.Significant);
  EXPECT_NEAR(*paired.ChangePercent, 10, 1e-9);  // every Walsh average is log 1.1
  EXPECT_NEAR(*paired.ChangeLowPercent, 10, 1e-9);
  EXPECT_NEAR(*paired.ChangeHighPercent, 10, 1e-9);
  EXPECT_EQ(ChangeText(paired, false), "+10.0% [+10.0, +10.0] (p=0.031 n=6)");

  // The same times as two separate files: the rank-sum test sees overlap.
  const Comparison apart = CompareFiles(Named({SweepOf("a", {{100000, a}}), SweepOf("b", {{100000, b}})}), 0.05);
  const Cell& unpaired = CountCell(apart, 100000, 1);
  EXPECT_EQ(unpaired.Test, "rank-sum");
  EXPECT_FALSE(*unpaired.Significant);
}

TEST(PairedVerdict, ColumnsOfOneSweepPairAndOtherFilesStaySeparate) {
  const std::vector<uint32_t> times = {100, 101, 99, 100, 102, 100};
  const Comparison comparison =
      CompareFiles(Named({SweepOfVariants("lab", {{"a", {{100000, times}}}, {"b", {{100000, times}}}}),
                          SweepOf("other", {{100000, times}})}),
                   0.05);
  ASSERT_EQ(comparison.Files.size(), 3u);
  EXPECT_EQ(comparison.Files[0].Name, "lab:a");
  EXPECT_EQ(comparison.Files[2].Name, "other");
  EXPECT_EQ(CountCell(comparison, 100000, 1).Test, "signed-rank");
  // Equal times: every pair's ratio is 1, and zeros are dropped, leaving none.
  EXPECT_EQ(*CountCell(comparison, 100000, 1).PValue, 1);
  EXPECT_EQ(CountCell(comparison, 100000, 2).Test, "rank-sum");
  EXPECT_EQ(CountCell(comparison, 100000, 1).Runs, 6u);  // each column counts its own variant's runs
}

TEST(BetweenSweeps, HalvesAndTheTestWorkedByHand) {
  // Four times: the first two against the last two, every difference log 1.2.
  EXPECT_NEAR(*HalvesShift({10, 10, 12, 12}, 1), std::log(1.2), 1e-12);
  // Five: the middle one left out; the four differences are log 1.4 twice
  // and log(14/11) twice, whose median is their mean.
  EXPECT_NEAR(*HalvesShift({10, 11, 99, 14, 14}, 1), (std::log(1.4) + std::log(14.0 / 11)) / 2, 1e-12);
  EXPECT_FALSE(HalvesShift({10, 11, 12}, 1));
  // 0 ms counts as half a tick.
  EXPECT_NEAR(*HalvesShift({0, 0, 1, 1}, 1), std::log(2.0), 1e-12);

  // Halves of 0.03 and 0.04: s^2 = (0.0009 + 0.0016) / 4, s = 0.025. A change
  // of 0.1 is t = 4: p = 1 - 4 / sqrt(18). t(2) at 0.05 two-sided is
  // sqrt(2 x 0.95^2 / (1 - 0.95^2)) = 4.3027.
  const BetweenSweeps test = BetweenSweepsTest(0.1, 0.03, -0.04, 0.05);
  EXPECT_NEAR(test.P, 1 - 4 / std::sqrt(18.0), 1e-12);
  EXPECT_NEAR(test.SmallestLogChange, 0.025 * 4.302652730, 1e-9);
  EXPECT_EQ(BetweenSweepsTest(0, 0, 0, 0.05).P, 1);
  EXPECT_EQ(BetweenSweepsTest(0.01, 0, 0, 0.05).P, 0);
}

TEST(BetweenSweeps, AChangeWithinWhatAFilesHalvesShowIsNotCalled) {
  // "shifted" ran its first five runs at 100 ms and its last five at 120:
  // every run of "later" lies above all of them, yet the gap is no larger
  // than the shift inside "shifted" itself.
  const SweepResult shifted = SweepOf("shifted", {{100000, {100, 100, 100, 100, 100, 120, 120, 120, 120, 120}}});
  const SweepResult later = SweepOf("later", {{100000, {130, 130, 130, 130, 130, 130, 130, 130, 130, 130}}});
  const Comparison comparison = CompareFiles(Named({shifted, later}), 0.05);
  const Cell& cell = CountCell(comparison, 100000, 1);
  // Rank-sum p = 2 / C(20, 10); the halves: log 1.2 and 0, s = log 1.2 / 2;
  // the change, the median of 50 x log 1.3 and 50 x log(13/12), is their mean.
  const double change = (std::log(1.3) + std::log(13.0 / 12)) / 2;
  const double t = change / (std::log(1.2) / 2);
  EXPECT_NEAR(*cell.PValue, 1 - t / std::sqrt(t * t + 2), 1e-12);
  EXPECT_FALSE(*cell.Significant);
  EXPECT_NEAR(*cell.BetweenSweepsPercent, std::expm1(4.302652730 * std::log(1.2) / 2) * 100, 1e-6);
  bool named = false;
  for (const std::string& warning : comparison.Warnings) {
    named = named || warning.rfind("shifted's second half of runs measured otherwise", 0) == 0;
  }
  EXPECT_TRUE(named);
}

TEST(Drift, ASteadyClimbIsNamedAndNoiseIsNot) {
  const SweepResult climbing = SweepOf("climbing", {{100000, {100, 102, 104, 106, 108, 110, 112, 114}}});
  const std::vector<std::string> warnings = DriftWarnings(climbing, "", "climbing");
  ASSERT_EQ(warnings.size(), 1u);
  // Eight strictly rising values: tau = 1, S = 28, var = 8 x 7 x 21 / 18,
  // z = 27 / sqrt(65.33) = 3.340, p = 0.0008.
  EXPECT_NE(warnings[0].find("100000 (tau +1.00, p=0.001)"), std::string::npos) << warnings[0];
  const SweepResult steady = SweepOf("steady", {{100000, {100, 103, 99, 101, 104, 98, 102, 100}}});
  EXPECT_TRUE(DriftWarnings(steady, "", "steady").empty());
}
