// SPDX-License-Identifier: MIT
// What a sweep produces and a result file holds: the machine and the
// conditions it ran under, the benchmark that ran, one record per run and
// one summary per limit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/report.h"

struct RunRecord {
  uint32_t Limit = 0;
  uint32_t Run = 0;       // 1-based within its limit, warm-up runs first
  bool Warmup = false;    // run before the measured ones, left out of the summaries
  uint32_t Round = 0;     // the round it ran in, from 1; 0 for warm-ups and in older files
  uint32_t Sequence = 0;  // its place in the whole sweep's order, from 1; 0 in older files
  std::string Variant;    // the setup it ran with; "" in older files
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
  std::string Variant;     // the setup its runs ran with; "" in older files
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

// What can make the same machine measure differently; each is unknown
// (empty) where the system does not show it, or in files older than them.
struct RunConditions {
  std::optional<std::string> FileSystem;      // of the run folder: "ext4", "tmpfs", "NTFS", ...
  std::optional<std::string> Priority;        // the runs' priority: "nice -14", or a Windows class ("high")
  std::optional<std::string> Governor;        // the cpufreq governor
  std::optional<bool> Boost;                  // turbo or boost on
  std::optional<std::string> Virtualization;  // a hypervisor's name, or "none"
  std::optional<double> LoadAverageStart;     // one-minute load average before the first run
  std::optional<double> LoadAverageEnd;       // and after the last
  std::optional<std::string> PowerSource;     // "ac" or "battery"
  std::optional<std::string> CpuAffinity;     // the CPUs the benchmark may run on, as "0-3,6"
  std::optional<double> TimerResolutionMs;    // the step of the benchmark's millisecond counter
  std::optional<std::string> PagePolicy;      // the array's pages: "4k" (the machine's own), "thp>=65536"

  bool operator==(const RunConditions&) const = default;
};

// Files that do not say so were measured on Linux, whose counter steps by 1 ms.
inline double TimerResolution(const RunConditions& conditions) {
  return conditions.TimerResolutionMs.value_or(1.0);
}

struct ProgramInfo {
  std::string Path;
  uint64_t SizeBytes = 0;
  std::optional<std::string> Sha256;  // the build's identity; unknown in older files

  bool operator==(const ProgramInfo&) const = default;
};

// The options that made a sweep, kept in its file so that a sweep cut short
// can be resumed as it was begun.
struct SweepSettings {
  std::vector<uint32_t> Limits;  // in the order they run
  uint32_t Repeat = 0;
  uint32_t Warmup = 0;
  std::string Label;             // as the file names the machine
  std::string Program;           // an absolute path
  std::string Dir;               // an absolute path; empty: a temporary folder
  std::optional<unsigned> Cpu;
  double TimeoutSeconds = 0;
  // Shuffles each round's order; none in files before rounds, whose runs
  // went limit by limit.
  std::optional<uint64_t> Seed;

  bool operator==(const SweepSettings&) const = default;
};

// One setup a sweep runs in each of its rounds. A sweep without setups of
// its own has one, DefaultVariant, with the sweep's own options.
struct Variant {
  std::string Name;
  std::string Program;  // an absolute path
  std::string Dir;      // empty: a temporary folder
  std::optional<unsigned> Cpu;
  std::optional<std::string> Sha256;  // the program's build, so a resumed sweep runs the same one

  bool operator==(const Variant&) const = default;
};
inline constexpr char DefaultVariant[] = "default";

// A whole sweep, as its result file holds it.
struct SweepResult {
  std::string Format;   // "sievebench-sweep/4"
  std::string Version;  // the sweep's own version
  std::string Label;    // names the machine in comparisons
  std::string Date;     // UTC, ISO 8601
  Machine Host;
  RunConditions Conditions;
  ProgramInfo Program;
  std::optional<SweepSettings> Options;  // unknown in older files
  std::vector<Variant> Variants;         // empty in older files
  bool Complete = true;                  // false while runs are missing: a checkpoint, or a sweep cut short
  std::vector<RunRecord> Runs;
  std::vector<LimitSummary> Summaries;

  bool operator==(const SweepResult&) const = default;
};
