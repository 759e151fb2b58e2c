// SPDX-License-Identifier: MIT
// Comparing result files: each file checked again without trusting it, then
// every machine set against the first file, the baseline, per limit and
// phase: medians with their intervals, the change and whether it is more
// than noise, a geometric mean per phase, and warnings where the runs cannot
// say or their conditions differ. Every view (text, Markdown, JSON, page)
// shows this one decision.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "results/model.h"
#include "results/phases.h"
#include "results/significance.h"

// A result file that passed its checks, with the name it goes by in the views.
struct ComparedFile {
  std::string Path;
  SweepResult Result;
  std::string Name;  // the label, with the file's name added when labels collide
  // Set on the columns of a sweep with variants: the one variant shown, and
  // which file it came from, so that columns of one sweep pair their rounds.
  std::string Variant;
  size_t Origin = 0;
};

// Runs the sweep marked valid whose prime count, loop-counter or total
// disagree with their recomputation, one message each ("limit 100, run 2:
// found 26 primes, not 25"); empty when the file is sound. Runs marked
// invalid are not checked: they are shown as invalid and left out.
std::vector<std::string> FindTampering(const SweepResult& result);

// Gives each file its name: its label, or, where two labels are the same,
// the label with the file's name (or its whole path, if that is the same too).
void NameFiles(std::vector<ComparedFile>& files);

// A sweep with variants becomes one column per variant, named by the
// variant (after the file's name when there are several files); other
// files stay as they are. Call after NameFiles.
std::vector<ComparedFile> VariantColumns(std::vector<ComparedFile> files);

// A phase is compared only where both medians span this many ticks of the
// timer that measured them: below that, one tick more or less is a change of
// 10 % or more.
inline constexpr double FewestTicks = 10;
std::string FewestTicksText();  // "10", for sentences

// One machine's figures for one limit and phase.
struct Cell {
  size_t Runs = 0;  // measured valid runs; 0 where the machine has none of this limit
  double MedianMs = 0, MinMs = 0, MaxMs = 0;
  std::optional<Interval> MedianInterval;  // none for fewer than 6 runs
  bool TooShort = false;                   // this median or the baseline's is under 10 ticks
  // Against the baseline; none for the baseline itself and where nothing is
  // compared. The change is the Hodges-Lehmann estimate of the ratio, paired
  // round by round within a sweep, else of the two files' times, with its
  // distribution-free 95 % interval.
  std::optional<double> ChangePercent;
  std::optional<double> ChangeLowPercent, ChangeHighPercent;  // none with too few runs for one
  std::optional<double> PValue;
  std::optional<bool> Significant;  // p < alpha
  std::string Test;                 // "signed-rank" (paired rounds) or "rank-sum" (separate sweeps)
  size_t Pairs = 0;                 // the rounds paired; 0 for a rank-sum test
  // Separate sweeps: the noise between sweeps that each file's own halves
  // show, as a change (the larger of the two); none where a file has too
  // few runs to split. p is the larger of the rank test's and this test's.
  std::optional<double> BetweenSweepsPercent;
  std::string Note;                 // why a figure is missing; "; "-separated
};

struct ComparisonRow {
  uint32_t Limit = 0;
  TimedPhase Phase = TimedPhase::Total;
  std::vector<Cell> Cells;  // one per file, the baseline first
};

// One phase of one machine over the limits that both it and the baseline compare.
struct GeomeanCell {
  std::optional<double> ChangePercent;  // the geometric mean of the ratios of medians, as a change
  std::vector<uint32_t> Limits;         // the limits it covers
  size_t SlowerLimits = 0;              // of those, significantly slower
  size_t FasterLimits = 0;              // and significantly faster
  // More than half of its limits changed significantly in its direction, and
  // none significantly the other way.
  bool Significant = false;
};

struct GeomeanRow {
  TimedPhase Phase = TimedPhase::Total;
  std::vector<GeomeanCell> Cells;  // one per file; the baseline's is empty
};

struct Comparison {
  double Alpha = 0.05;
  std::vector<ComparedFile> Files;  // the first is the baseline
  std::vector<ComparisonRow> Rows;  // by limit, then phase
  std::vector<GeomeanRow> Geomeans;
  std::vector<std::string> Warnings;     // raw text: the views make it safe
  std::vector<std::string> InvalidRuns;  // one line per run its sweep marked invalid
  bool IntervalsMissing = false;         // some cell had too few runs for an interval
};

// Named files in (each sweep with variants becoming a column per variant),
// the whole comparison out; `named` must not be empty.
Comparison CompareFiles(std::vector<ComparedFile> named, double alpha);

// The machines whose total is significantly slower than the baseline's, by
// more than `percent` on the geometric mean.
std::vector<size_t> SignificantlySlower(const Comparison& comparison, double percent);

// The order of the machines by the geometric mean of their total, fastest
// first, the baseline at 0 %; machines with no comparable total come last.
std::vector<size_t> RankedByTotal(const Comparison& comparison);
const GeomeanCell* TotalGeomean(const Comparison& comparison, size_t file);

// The differences of each machine's conditions from the baseline's that
// change what a phase measures, one sentence each.
std::vector<std::string> ConditionWarnings(const std::vector<ComparedFile>& files);

// The machine and its conditions as the views show them side by side: one
// label per field, and each file's value as text ("unknown" where the file
// does not say).
std::vector<std::string> MachineFieldLabels();
std::vector<std::string> MachineFieldValues(const SweepResult& result);
// For a fleet: per field, each value and how many machines have it, the
// most common first.
using ValueCounts = std::vector<std::pair<std::string, size_t>>;
std::vector<ValueCounts> MachineFieldCounts(const std::vector<ComparedFile>& files);
