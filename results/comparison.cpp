// SPDX-License-Identifier: MIT
// The comparison's decisions, made once: which phases are long enough to
// compare, which changes are significant, what the geometric means cover,
// and what the reader must be warned of.
#include "results/comparison.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "results/conditions.h"
#include "results/report.h"
#include "results/shift.h"
#include "results/statistics.h"
#include "results/sweep_noise.h"
#include "results/variants.h"

std::vector<std::string> FindTampering(const SweepResult& result) {
  std::vector<std::string> problems;
  for (const RunRecord& run : result.Runs) {
    if (!run.Valid) {
      continue;
    }
    const std::string where = "limit " + std::to_string(run.Limit) + ", run " + std::to_string(run.Run) + ": ";
    for (const std::string& problem : CheckCounts(run.Values, run.Limit)) {
      problems.push_back(where + problem);
    }
  }
  return problems;
}

void NameFiles(std::vector<ComparedFile>& files) {
  auto count = [&](auto same) {
    return std::count_if(files.begin(), files.end(), same);
  };
  for (ComparedFile& file : files) {
    const std::string base = std::filesystem::path(file.Path).filename().string();
    file.Name = file.Result.Label;
    if (count([&](const ComparedFile& other) { return other.Result.Label == file.Result.Label; }) > 1) {
      const bool baseShared = count([&](const ComparedFile& other) {
                                return other.Result.Label == file.Result.Label &&
                                       std::filesystem::path(other.Path).filename().string() == base;
                              }) > 1;
      file.Name += " (" + (baseShared ? file.Path : base) + ")";
    }
  }
}

std::string FewestTicksText() {
  char text[16];
  std::snprintf(text, sizeof text, "%g", FewestTicks);
  return text;
}

namespace {

std::string TooShortNote() {
  return "too short: a median under " + FewestTicksText() + " timer ticks";
}

// Whether a column shows this run: every run, or its variant's.
bool Shows(const ComparedFile& file, const RunRecord& run) {
  return OfVariant(run, file.Variant);
}

// The limits each column has measured valid runs of, in ascending order.
std::set<uint32_t> MeasuredLimits(const ComparedFile& file) {
  std::set<uint32_t> limits;
  for (const RunRecord& run : file.Result.Runs) {
    if (run.Valid && !run.Warmup && Shows(file, run)) {
      limits.insert(run.Limit);
    }
  }
  return limits;
}

void AddNote(Cell& cell, const std::string& note) {
  cell.Note += (cell.Note.empty() ? "" : "; ") + note;
}

Cell Describe(const std::vector<double>& times, double resolution) {
  Cell cell;
  cell.Runs = times.size();
  if (times.empty()) {
    AddNote(cell, "no valid run of this limit");
    return cell;
  }
  const Spread spread = SpreadOf(times);
  cell.MedianMs = spread.Median;
  cell.MinMs = spread.Min;
  cell.MaxMs = spread.Max;
  cell.MedianInterval = MedianInterval(times);
  if (!cell.MedianInterval) {
    AddNote(cell, "no interval: fewer than 6 runs");
  }
  cell.TooShort = cell.MedianMs < FewestTicks * resolution;
  return cell;
}

bool SameSweep(const ComparedFile& a, const ComparedFile& b) {
  return !a.Variant.empty() && !b.Variant.empty() && a.Origin == b.Origin;
}

void SetChange(Cell& cell, const ShiftEstimate& shift) {
  cell.ChangePercent = std::expm1(shift.Estimate) * 100;
  if (shift.Interval95) {
    cell.ChangeLowPercent = std::expm1(shift.Interval95->Low) * 100;
    cell.ChangeHighPercent = std::expm1(shift.Interval95->High) * 100;
  }
}

// Two variants of one sweep: the log ratio of each round's pair of runs.
// Returns false when no round has both.
bool ComparePaired(Cell& cell, const ComparedFile& file, const ComparedFile& baseline, uint32_t limit,
                   TimedPhase phase) {
  const std::map<uint32_t, double> own = TimesByRound(file.Result.Runs, file.Variant, limit, phase);
  const std::map<uint32_t, double> base = TimesByRound(baseline.Result.Runs, baseline.Variant, limit, phase);
  const double resolution = TimerResolution(file.Result.Conditions);
  std::vector<double> ratios;
  for (const auto& [round, ms] : own) {
    if (const auto other = base.find(round); other != base.end()) {
      ratios.push_back(LogTime(ms, resolution) - LogTime(other->second, resolution));
    }
  }
  if (ratios.empty()) {
    return false;
  }
  cell.Test = "signed-rank";
  cell.Pairs = ratios.size();
  SetChange(cell, *PairedShift(ratios));
  cell.PValue = SignedRankP(ratios);
  return true;
}

// Separate sweeps: the rank-sum test and the shift of log times, held
// against the noise between sweeps that each file's own halves show; `own`
// and `base` are the two columns' times in the order they ran.
void CompareUnpaired(Cell& cell, const std::vector<double>& own, double ownTick, const std::vector<double>& base,
                     double baseTick, double alpha) {
  cell.Test = "rank-sum";
  const ShiftEstimate shift = *UnpairedShift(LogTimes(own, ownTick), LogTimes(base, baseTick));
  SetChange(cell, shift);
  cell.PValue = MannWhitneyP(own, base);
  const std::optional<double> ownHalves = HalvesShift(own, ownTick);
  const std::optional<double> baseHalves = HalvesShift(base, baseTick);
  if (ownHalves && baseHalves) {
    const BetweenSweeps between = BetweenSweepsTest(shift.Estimate, *ownHalves, *baseHalves, alpha);
    cell.BetweenSweepsPercent = std::expm1(between.SmallestLogChange) * 100;
    cell.PValue = std::max(*cell.PValue, between.P);
  }
}

// Sets the cell of column `file` against the baseline's; `times` holds each
// column's times of this limit and phase, in the order they ran.
void CompareWithBaseline(Cell& cell, const Cell& baselineCell, const std::vector<ComparedFile>& files, size_t file,
                         const std::vector<std::vector<double>>& times, uint32_t limit, TimedPhase phase,
                         double alpha) {
  if (cell.Runs == 0) {
    return;
  }
  if (baselineCell.Runs == 0) {
    AddNote(cell, "the baseline has no valid run of this limit");
    return;
  }
  if (cell.TooShort || baselineCell.TooShort) {
    cell.TooShort = true;
    AddNote(cell, TooShortNote());
    return;
  }
  if (!SameSweep(files[file], files[0]) || !ComparePaired(cell, files[file], files[0], limit, phase)) {
    CompareUnpaired(cell, times[file], TimerResolution(files[file].Result.Conditions), times[0],
                    TimerResolution(files[0].Result.Conditions), alpha);
  }
  cell.Significant = *cell.PValue < alpha;
}

std::vector<ComparisonRow> CompareRows(const std::vector<ComparedFile>& files, double alpha) {
  std::set<uint32_t> limits;
  for (const ComparedFile& file : files) {
    const std::set<uint32_t> own = MeasuredLimits(file);
    limits.insert(own.begin(), own.end());
  }
  std::vector<ComparisonRow> rows;
  for (const uint32_t limit : limits) {
    for (const TimedPhase phase : AllPhases) {
      std::vector<std::vector<double>> times;
      times.reserve(files.size());
      for (const ComparedFile& file : files) {
        times.push_back(TimesInOrder(file.Result, file.Variant, limit, phase));
      }
      ComparisonRow row{limit, phase, {}};
      for (size_t file = 0; file < files.size(); ++file) {
        row.Cells.push_back(Describe(times[file], TimerResolution(files[file].Result.Conditions)));
        if (file == 0) {
          AddNote(row.Cells[0], "baseline");
          if (row.Cells[0].TooShort) {
            AddNote(row.Cells[0], TooShortNote());
          }
        } else {
          CompareWithBaseline(row.Cells[file], row.Cells[0], files, file, times, limit, phase, alpha);
        }
      }
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

GeomeanCell GeomeanOf(const std::vector<ComparisonRow>& rows, TimedPhase phase, size_t file) {
  GeomeanCell cell;
  double logSum = 0;
  for (const ComparisonRow& row : rows) {
    const Cell& own = row.Cells[file];
    if (row.Phase != phase || !own.ChangePercent) {
      continue;
    }
    cell.Limits.push_back(row.Limit);
    logSum += std::log(own.MedianMs / row.Cells[0].MedianMs);
    const bool significant = own.Significant.value_or(false);
    cell.SlowerLimits += significant && *own.ChangePercent > 0 ? size_t{1} : size_t{0};
    cell.FasterLimits += significant && *own.ChangePercent < 0 ? size_t{1} : size_t{0};
  }
  if (cell.Limits.empty()) {
    return cell;
  }
  cell.ChangePercent = std::expm1(logSum / static_cast<double>(cell.Limits.size())) * 100;
  const size_t with = *cell.ChangePercent > 0 ? cell.SlowerLimits : cell.FasterLimits;
  const size_t against = *cell.ChangePercent > 0 ? cell.FasterLimits : cell.SlowerLimits;
  cell.Significant = *cell.ChangePercent != 0 && 2 * with > cell.Limits.size() && against == 0;
  return cell;
}

std::string LimitList(const std::set<uint32_t>& limits) {
  std::string list;
  for (const uint32_t limit : limits) {
    list += (list.empty() ? "" : ", ") + std::to_string(limit);
  }
  return list.empty() ? "none" : list;
}

// One warning for all the pairs of sample sizes that cannot reach p < alpha.
std::optional<std::string> TooFewRunsWarning(const Comparison& comparison) {
  std::map<std::pair<size_t, size_t>, std::set<std::string>> pairs;
  for (const ComparisonRow& row : comparison.Rows) {
    for (size_t file = 1; file < row.Cells.size(); ++file) {
      const Cell& cell = row.Cells[file];
      // Paired rounds, keyed with 0 runs against: 2 / 2^n when every ratio leans one way.
      const bool paired = cell.Test == "signed-rank";
      const double smallest = paired ? std::ldexp(2.0, -static_cast<int>(std::min<size_t>(cell.Pairs, 60)))
                                     : SmallestP(cell.Runs, row.Cells[0].Runs);
      if (cell.PValue && smallest >= comparison.Alpha) {
        pairs[{paired ? cell.Pairs : cell.Runs, paired ? 0 : row.Cells[0].Runs}].insert(comparison.Files[file].Name);
      }
    }
  }
  if (pairs.empty()) {
    return std::nullopt;
  }
  std::string sizes;
  for (const auto& [sizesPair, names] : pairs) {
    std::string who;
    size_t shown = 0;
    for (const std::string& name : names) {
      who += shown++ < 3 ? std::string(who.empty() ? "" : ", ") + name : "";
    }
    if (names.size() > 3) {
      who += " and " + std::to_string(names.size() - 3) + " more";
    }
    sizes += std::string(sizes.empty() ? "" : "; ") + std::to_string(sizesPair.first) +
             (sizesPair.second == 0 ? " paired rounds" : " runs against " + std::to_string(sizesPair.second)) + " (" +
             who + ")";
  }
  const size_t needed = RunsNeededPerSide(comparison.Alpha);
  char alpha[32];
  std::snprintf(alpha, sizeof alpha, "%g", comparison.Alpha);
  return "too few runs to tell a change from noise: with " + sizes + " no change can reach p < " + alpha + "; " +
         std::to_string(needed) + " measured runs a side are needed (sievebench-sweep --repeat " +
         std::to_string(needed) + ")";
}

std::vector<std::string> LimitWarnings(const std::vector<ComparedFile>& files) {
  std::vector<std::string> warnings;
  const std::set<uint32_t> baseline = MeasuredLimits(files[0]);
  for (size_t file = 1; file < files.size(); ++file) {
    const std::set<uint32_t> own = MeasuredLimits(files[file]);
    if (own != baseline) {
      warnings.push_back(files[file].Name + " ran the limits " + LimitList(own) + " and " + files[0].Name + " " +
                         LimitList(baseline) + ": its geomeans cover only the limits both ran");
    }
  }
  return warnings;
}

std::vector<std::string> InvalidRunNotes(const std::vector<ComparedFile>& files) {
  std::vector<std::string> notes;
  for (const ComparedFile& file : files) {
    for (const RunRecord& run : file.Result.Runs) {
      if (!run.Valid && Shows(file, run)) {
        notes.push_back(file.Name + ": limit " + std::to_string(run.Limit) + ", run " + std::to_string(run.Run) +
                        " is invalid (" + run.Problems + ") and left out");
      }
    }
  }
  return notes;
}

std::string Shown(const std::optional<std::string>& value) {
  return value ? *value : "unknown";
}

std::string Number(const std::optional<double>& value, const char* format) {
  if (!value) {
    return "?";
  }
  char text[32];
  std::snprintf(text, sizeof text, format, *value);
  return text;
}

std::string Build(const ProgramInfo& program) {
  return program.Sha256 ? "sha256 " + program.Sha256->substr(0, 12) : std::to_string(program.SizeBytes) + " bytes";
}

}  // namespace

std::vector<std::string> ConditionWarnings(const std::vector<ComparedFile>& files) {
  std::vector<std::string> warnings;
  const ComparedFile& base = files[0];
  for (size_t file = 1; file < files.size(); ++file) {
    const ComparedFile& other = files[file];
    for (const ConditionChange& change :
         ChangedConditions(base.Result.Conditions, other.Result.Conditions, ConditionScope::Machines)) {
      warnings.push_back(change.Sentence(change, base.Name, other.Name));
    }
    const ProgramInfo& a = base.Result.Program;
    const ProgramInfo& b = other.Result.Program;
    if (a.Sha256 && b.Sha256 ? *a.Sha256 != *b.Sha256 : a.SizeBytes != b.SizeBytes) {
      warnings.push_back(other.Name + " ran another build of the benchmark than " + base.Name + " (" +
                         Build(b) + " against " + Build(a) +
                         "): the times compare builds too");
    }
  }
  return warnings;
}

std::vector<std::string> MachineFieldLabels() {
  return {"cpu",        "cores",    "memory",   "arch",           "os",           "kernel",
          "huge pages", "file system", "priority", "governor", "boost", "virtualization",
          "load average", "power",  "cpu affinity", "timer step",   "page policy", "benchmark"};
}

std::vector<std::string> MachineFieldValues(const SweepResult& result) {
  const Machine& host = result.Host;
  const RunConditions& conditions = result.Conditions;
  char memory[32];
  std::snprintf(memory, sizeof memory, "%.1f GiB", static_cast<double>(host.MemoryBytes) / (1024.0 * 1024 * 1024));
  const std::string load = conditions.LoadAverageStart || conditions.LoadAverageEnd
                               ? Number(conditions.LoadAverageStart, "%.2f") + " \u2192 " +
                                     Number(conditions.LoadAverageEnd, "%.2f")
                               : "unknown";
  return {host.Cpu,
          std::to_string(host.Cores),
          memory,
          host.Arch,
          host.Os,
          host.Kernel,
          Shown(host.HugePages),
          Shown(conditions.FileSystem),
          Shown(conditions.Priority),
          Shown(conditions.Governor),
          conditions.Boost ? (*conditions.Boost ? "on" : "off") : "unknown",
          Shown(conditions.Virtualization),
          load,
          Shown(conditions.PowerSource),
          Shown(conditions.CpuAffinity),
          TimerStep(conditions),
          Shown(conditions.PagePolicy),
          Build(result.Program)};
}

std::vector<ValueCounts> MachineFieldCounts(const std::vector<ComparedFile>& files) {
  const size_t fields = MachineFieldLabels().size();
  std::vector<std::map<std::string, size_t>> counted(fields);
  for (const ComparedFile& file : files) {
    const std::vector<std::string> values = MachineFieldValues(file.Result);
    for (size_t field = 0; field < fields; ++field) {
      ++counted[field][values[field]];
    }
  }
  std::vector<ValueCounts> counts;
  for (const auto& field : counted) {
    ValueCounts values(field.begin(), field.end());
    std::stable_sort(values.begin(), values.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    counts.push_back(std::move(values));
  }
  return counts;
}

std::vector<ComparedFile> VariantColumns(std::vector<ComparedFile> files) {
  std::vector<ComparedFile> columns;
  for (size_t origin = 0; origin < files.size(); ++origin) {
    const ComparedFile& file = files[origin];
    if (file.Result.Variants.size() < 2) {
      columns.push_back(file);
      continue;
    }
    for (const Variant& variant : file.Result.Variants) {
      ComparedFile column = file;
      column.Variant = variant.Name;
      column.Origin = origin;
      column.Name = files.size() == 1 ? variant.Name : file.Name + ":" + variant.Name;
      column.Result.Program.Path = variant.Program;
      if (variant.Sha256) {
        column.Result.Program.Sha256 = variant.Sha256;
      }
      columns.push_back(std::move(column));
    }
  }
  return columns;
}

// Each column's own noise: halves that differ, and drift.
static std::vector<std::string> OwnNoiseWarnings(const std::vector<ComparedFile>& files, double alpha) {
  bool separate = false;
  for (size_t file = 1; file < files.size(); ++file) {
    separate = separate || !SameSweep(files[file], files[0]);
  }
  std::vector<std::string> warnings;
  for (const ComparedFile& file : files) {
    std::vector<std::string> own = DriftWarnings(file.Result, file.Variant, file.Name);
    if (separate) {
      const std::vector<std::string> halves = HalvesWarnings(file.Result, file.Variant, file.Name, alpha);
      own.insert(own.end(), halves.begin(), halves.end());
    }
    warnings.insert(warnings.end(), own.begin(), own.end());
  }
  return warnings;
}

Comparison CompareFiles(std::vector<ComparedFile> named, double alpha) {
  std::vector<ComparedFile> files = VariantColumns(std::move(named));
  Comparison comparison;
  comparison.Alpha = alpha;
  comparison.Rows = CompareRows(files, alpha);
  for (const TimedPhase phase : AllPhases) {
    GeomeanRow row{phase, {GeomeanCell{}}};
    for (size_t file = 1; file < files.size(); ++file) {
      row.Cells.push_back(GeomeanOf(comparison.Rows, phase, file));
    }
    comparison.Geomeans.push_back(std::move(row));
  }
  for (const ComparisonRow& row : comparison.Rows) {
    for (const Cell& cell : row.Cells) {
      comparison.IntervalsMissing = comparison.IntervalsMissing || (cell.Runs > 0 && !cell.MedianInterval);
    }
  }
  comparison.InvalidRuns = InvalidRunNotes(files);
  comparison.Files = std::move(files);
  if (const auto tooFew = TooFewRunsWarning(comparison)) {
    comparison.Warnings.push_back(*tooFew);
  }
  for (auto* source : {LimitWarnings, ConditionWarnings}) {
    const std::vector<std::string> warnings = source(comparison.Files);
    comparison.Warnings.insert(comparison.Warnings.end(), warnings.begin(), warnings.end());
  }
  const std::vector<std::string> own = OwnNoiseWarnings(comparison.Files, alpha);
  comparison.Warnings.insert(comparison.Warnings.end(), own.begin(), own.end());
  return comparison;
}

const GeomeanCell* TotalGeomean(const Comparison& comparison, size_t file) {
  for (const GeomeanRow& row : comparison.Geomeans) {
    if (row.Phase == TimedPhase::Total) {
      return &row.Cells[file];
    }
  }
  return nullptr;
}

std::vector<size_t> SignificantlySlower(const Comparison& comparison, double percent) {
  std::vector<size_t> slower;
  for (size_t file = 1; file < comparison.Files.size(); ++file) {
    const GeomeanCell* total = TotalGeomean(comparison, file);
    if (total->Significant && total->ChangePercent && *total->ChangePercent > percent) {
      slower.push_back(file);
    }
  }
  return slower;
}

std::vector<size_t> RankedByTotal(const Comparison& comparison) {
  std::vector<size_t> order(comparison.Files.size());
  for (size_t file = 0; file < order.size(); ++file) {
    order[file] = file;
  }
  auto key = [&](size_t file) -> std::optional<double> {
    return file == 0 ? std::optional(0.0) : TotalGeomean(comparison, file)->ChangePercent;
  };
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const auto left = key(a);
    const auto right = key(b);
    return left && (!right || *left < *right);
  });
  return order;
}
