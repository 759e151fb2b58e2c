// SPDX-License-Identifier: MIT
// What a sweep produces and a result file holds: the machine, the benchmark
// that ran, one record per run and one summary per limit; and the ways of
// showing them (terminal table, CSV, chart).
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "results/report.h"

struct RunRecord {
  uint32_t Limit = 0;
  uint32_t Run = 0;       // 1-based within its limit, warm-up runs first
  bool Warmup = false;    // run before the measured ones, left out of the summaries
  bool Parsed = false;    // the output was a whole report
  Report Values;          // meaningful when Parsed
  bool Valid = false;
  bool Outlier = false;   // a measured run whose total lies far from its limit's median
  std::string Problems;   // why it is not valid; "; "-separated

  bool operator==(const RunRecord&) const = default;
};

// One phase over the measured valid runs of a limit, in ms.
struct Spread {
  double Median = 0;
  double Mean = 0;
  double StdDev = 0;  // sample standard deviation; 0 for fewer than two runs
  double Min = 0;
  double Max = 0;

  bool operator==(const Spread&) const = default;
};

struct LimitSummary {
  uint32_t Limit = 0;
  uint32_t Runs = 0;       // measured runs
  uint32_t ValidRuns = 0;  // measured runs that passed validation
  uint32_t Outliers = 0;
  Spread Init, Sieve, Count, Total;
  double MarksPerSecond = 0;    // loop-counter over the median sieve time; 0 when it is 0 ms
  double RecordsPerSecond = 0;  // odd primes over the median count time; 0 when it is 0 ms

  bool operator==(const LimitSummary&) const = default;
};

struct Machine {
  std::string Cpu;
  uint32_t Cores = 0;
  std::string Arch;
  std::string Os;
  std::string Kernel;
  uint64_t MemoryBytes = 0;
  std::optional<std::string> HugePages;  // the transparent huge-page mode, where there is one

  bool operator==(const Machine&) const = default;
};

struct ProgramInfo {
  std::string Path;
  uint64_t SizeBytes = 0;

  bool operator==(const ProgramInfo&) const = default;
};

// A whole sweep, as its result file holds it.
struct SweepResult {
  std::string Format;   // "sievebench-sweep/2"
  std::string Version;  // the sweep's own version
  std::string Label;    // names the machine in comparisons
  std::string Date;     // UTC, ISO 8601
  Machine Host;
  ProgramInfo Program;
  std::vector<RunRecord> Runs;
  std::vector<LimitSummary> Summaries;

  bool operator==(const SweepResult&) const = default;
};

// The columns `text` takes on a terminal: UTF-8 continuation bytes take none.
size_t TerminalColumns(const std::string& text);

void PrintTable(std::FILE* out, const std::vector<LimitSummary>& summaries);
// Each writer returns an error message, or "" when the file was written.
std::string WriteCsv(const std::string& path, const std::vector<RunRecord>& runs);
// Draws the chart with gnuplot. When it cannot be drawn for a reason that is
// no failure (no gnuplot, nothing above 0 ms), `skipped` says why.
std::string DrawChart(const std::string& path, const std::vector<LimitSummary>& summaries, std::string& skipped);
