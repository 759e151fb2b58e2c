// SPDX-License-Identifier: MIT
// The sweep's outputs for people and for spreadsheets: the table, CSV and the chart.
#include "results/model.h"

#include "results/views/gnuplot.h"

#include <algorithm>
#include <fstream>
#include <sstream>

// "mean ± σ" of one phase, in ms.
static std::string MeanCell(const Spread& spread) {
  char text[48];
  std::snprintf(text, sizeof text, "%.1f \u00b1 %.1f", spread.Mean, spread.StdDev);
  return text;
}

static std::string Rate(double perSecond) {
  char text[32];
  if (perSecond <= 0) {
    return "-";
  }
  if (perSecond >= 1e9) {
    std::snprintf(text, sizeof text, "%.2fG", perSecond / 1e9);
  } else if (perSecond >= 1e6) {
    std::snprintf(text, sizeof text, "%.1fM", perSecond / 1e6);
  } else {
    std::snprintf(text, sizeof text, "%.0fk", perSecond / 1e3);
  }
  return text;
}

size_t TerminalColumns(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
  }));
}

// Pads a cell that may hold "±" to `width` columns.
static std::string Padded(const std::string& cell, size_t width) {
  const size_t columns = TerminalColumns(cell);
  return cell + std::string(width > columns ? width - columns : 0, ' ');
}

void PrintTable(std::FILE* out, const std::vector<LimitSummary>& summaries) {
  std::fprintf(out, "%12s %6s %4s  %-14s %-14s %-16s %-16s %-13s %9s %9s\n", "limit", "valid", "out", "init ms",
               "sieve ms", "count ms", "total ms", "total range", "marks/s", "records/s");
  uint32_t outliers = 0;
  for (const LimitSummary& row : summaries) {
    const std::string valid = std::to_string(row.ValidRuns) + "/" + std::to_string(row.Runs);
    char range[40];
    std::snprintf(range, sizeof range, "%.0f..%.0f", row.Total.Min, row.Total.Max);
    std::fprintf(out, "%12u %6s %4u  %s %s %s %s %-13s %9s %9s\n", row.Limit, valid.c_str(), row.Outliers,
                 Padded(MeanCell(row.Init), 14).c_str(), Padded(MeanCell(row.Sieve), 14).c_str(),
                 Padded(MeanCell(row.Count), 16).c_str(), Padded(MeanCell(row.Total), 16).c_str(), range,
                 Rate(row.MarksPerSecond).c_str(), Rate(row.RecordsPerSecond).c_str());
    outliers += row.Outliers;
  }
  std::fprintf(out, "times: mean \u00b1 sd over the measured runs of each limit (warm-up runs left out); "
                    "out: outliers\n");
  if (outliers != 0) {
    std::fprintf(out, "Warning: %u run%s far from %s limit's median total: something may have disturbed "
                      "the machine (other programs, power saving, a noisy neighbour).\n",
                 outliers, outliers == 1 ? " lies" : "s lie", outliers == 1 ? "its" : "their");
  }
}

static std::string Written(std::ofstream& file, const std::string& path) {
  file.close();
  return file.fail() ? "cannot write " + path : "";
}

std::string WriteCsv(const std::string& path, const std::vector<RunRecord>& runs) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    return "cannot create " + path;
  }
  file << "limit,run,warmup,init_ms,sieve_ms,count_ms,total_ms,primes,loop_counter,valid,outlier\n";
  for (const RunRecord& run : runs) {
    file << run.Limit << ',' << run.Run << ',' << (run.Warmup ? "true" : "false") << ',';
    if (run.Parsed) {
      const Report& values = run.Values;
      file << values.InitMs << ',' << values.SieveMs << ',' << values.CountMs << ',' << values.TotalMs
           << ',' << values.Primes << ',' << values.LoopCounter;
    } else {
      file << ",,,,,";
    }
    file << ',' << (run.Valid ? "true" : "false") << ',' << (run.Outlier ? "true" : "false") << '\n';
  }
  return Written(file, path);
}

// One line per phase that has a time above 0 ms somewhere; "" when none has.
static std::string PlotClauses(const std::vector<LimitSummary>& summaries) {
  static const char* const Titles[] = {"initialize", "sieve", "count", "total"};
  std::string clauses;
  for (int phase = 0; phase < 4; ++phase) {
    bool shown = false;
    for (const LimitSummary& row : summaries) {
      const Spread* spreads[] = {&row.Init, &row.Sieve, &row.Count, &row.Total};
      shown = shown || spreads[phase]->Max > 0;
    }
    if (shown) {
      const int column = 2 + 3 * phase;
      clauses += std::string(clauses.empty() ? "" : ", ") + "$phases using 1:" + std::to_string(column) + ":" +
                 std::to_string(column + 1) + ":" + std::to_string(column + 2) + " with yerrorlines title '" +
                 Titles[phase] + "'";
    }
  }
  return clauses;
}

std::string DrawChart(const std::string& path, const std::vector<LimitSummary>& summaries, std::string& skipped) {
  skipped = GnuplotMissing();
  if (!skipped.empty()) {
    return "";
  }
  std::ostringstream script;
  script << ChartOpening(path, "sievebench: time per phase against N (median, min-max)") << "$phases << EOD\n";
  for (const LimitSummary& row : summaries) {
    script << row.Limit;
    for (const Spread* spread : {&row.Init, &row.Sieve, &row.Count, &row.Total}) {
      script << ' ' << PlotValue(spread->Median) << ' ' << PlotValue(spread->Min) << ' ' << PlotValue(spread->Max);
    }
    script << '\n';
  }
  script << "EOD\n";
  return Plot(script.str(), PlotClauses(summaries), path, skipped);
}
