// What a sweep produced: one record per run, one summary per limit, and the
// ways of showing them (terminal table, CSV, JSON, chart).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/sweep/report.h"

struct RunRecord {
  uint32_t Limit = 0;
  int Run = 0;           // 1-based within its limit
  bool Parsed = false;   // the output was a whole report
  Report Values;         // meaningful when Parsed
  bool Valid = false;
  std::string Problems;  // why it is not valid; "; "-separated
};

struct Spread {
  double Median = 0;
  double Min = 0;
  double Max = 0;
};

struct LimitSummary {
  uint32_t Limit = 0;
  int Runs = 0;
  int ValidRuns = 0;
  Spread Init, Sieve, Count, Total;  // over the parsed runs, in ms
  double MarksPerSecond = 0;         // loop-counter over the median sieve time; 0 when it is 0 ms
  double RecordsPerSecond = 0;       // odd primes over the median count time; 0 when it is 0 ms
};

struct Machine {
  std::string Cpu;
  unsigned Cores = 0;
  std::string Kernel;
};

std::vector<LimitSummary> Summarize(const std::vector<RunRecord>& runs);
Machine DescribeMachine();

void PrintTable(std::FILE* out, const std::vector<LimitSummary>& summaries);
// Each writer returns an error message, or "" when the file was written.
std::string WriteCsv(const std::string& path, const std::vector<RunRecord>& runs);
std::string WriteJson(const std::string& path, const Machine& machine, const std::vector<RunRecord>& runs,
                      const std::vector<LimitSummary>& summaries);
// Draws the chart with gnuplot. When it cannot be drawn for a reason that is
// no failure (no gnuplot, nothing above 0 ms), `skipped` says why.
std::string DrawChart(const std::string& path, const std::vector<LimitSummary>& summaries, std::string& skipped);
