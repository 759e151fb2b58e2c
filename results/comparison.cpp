// SPDX-License-Identifier: MIT
// sievebench-compare's checks, table and chart, kept apart from its command
// line so they can be tried on made-up files.
#include "results/comparison.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "results/views/gnuplot.h"
#include "results/report.h"
#include "results/statistics.h"

static const char Dash[] = "\u2013";  // "–": no figure to give

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

static std::vector<uint32_t> AllLimits(const std::vector<ComparedFile>& files) {
  std::vector<uint32_t> limits;
  for (const ComparedFile& file : files) {
    for (const RunRecord& run : file.Result.Runs) {
      limits.push_back(run.Limit);
    }
  }
  std::sort(limits.begin(), limits.end());
  limits.erase(std::unique(limits.begin(), limits.end()), limits.end());
  return limits;
}

static constexpr const char* PhaseNames[] = {"init", "sieve", "count", "total"};

static uint32_t PhaseMs(const Report& values, int phase) {
  const uint32_t times[] = {values.InitMs, values.SieveMs, values.CountMs, values.TotalMs};
  return times[phase];
}

std::vector<PhaseRow> CompareMedians(const std::vector<ComparedFile>& files) {
  std::vector<PhaseRow> rows;
  for (const uint32_t limit : AllLimits(files)) {
    const size_t first = rows.size();
    for (const char* phase : PhaseNames) {
      rows.push_back({limit, phase, {}});
    }
    // One pass over a file's runs gives all four phases of the limit.
    for (const ComparedFile& file : files) {
      std::vector<double> times[4];
      for (const RunRecord& run : file.Result.Runs) {
        if (run.Limit == limit && run.Valid && !run.Warmup) {
          for (int phase = 0; phase < 4; ++phase) {
            times[phase].push_back(PhaseMs(run.Values, phase));
          }
        }
      }
      for (size_t phase = 0; phase < 4; ++phase) {
        rows[first + phase].Medians.push_back(times[phase].empty() ? -1 : SpreadOf(times[phase]).Median);
      }
    }
  }
  return rows;
}

std::string RatioText(double median, double baseline) {
  if (median < 0 || baseline <= 0) {
    return Dash;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.2fx", median / baseline);
  return text;
}

static std::string Cell(double median, double baseline) {
  if (median < 0) {
    return Dash;
  }
  char text[48];
  std::snprintf(text, sizeof text, median == static_cast<double>(static_cast<uint64_t>(median)) ? "%.0f ms" : "%.1f ms",
                median);
  return std::string(text) + " (" + RatioText(median, baseline) + ")";
}

// The table as cells: a heading row, then one row per limit and phase.
static std::vector<std::vector<std::string>> TableCells(const std::vector<ComparedFile>& files) {
  std::vector<std::vector<std::string>> cells;
  std::vector<std::string> heading = {"limit", "phase"};
  for (const ComparedFile& file : files) {
    heading.push_back(file.Name);
  }
  cells.push_back(heading);
  for (const PhaseRow& row : CompareMedians(files)) {
    std::vector<std::string> line = {std::to_string(row.Limit), row.Phase};
    for (const double median : row.Medians) {
      line.push_back(Cell(median, row.Medians.front()));
    }
    cells.push_back(line);
  }
  return cells;
}

std::string TextTable(const std::vector<ComparedFile>& files) {
  const auto cells = TableCells(files);
  std::vector<size_t> widths(cells.front().size(), 0);
  for (const auto& line : cells) {
    for (size_t column = 0; column < line.size(); ++column) {
      widths[column] = std::max(widths[column], TerminalColumns(line[column]));
    }
  }
  std::ostringstream table;
  for (const auto& line : cells) {
    for (size_t column = 0; column < line.size(); ++column) {
      const std::string padding(widths[column] - TerminalColumns(line[column]), ' ');
      // Numbers stand right, names left.
      table << (column == 1 ? line[column] + padding : padding + line[column]) << (column + 1 < line.size() ? "  " : "\n");
    }
  }
  table << "medians over the measured valid runs; in brackets, the ratio to " << files.front().Name << "\n";
  return table.str();
}

// A table cell in Markdown: a bar would end the cell.
static std::string MarkdownCell(const std::string& text) {
  std::string cell;
  for (const char byte : text) {
    cell += byte == '|' ? "\\|" : byte == '\n' ? " " : std::string(1, byte);
  }
  return cell;
}

std::string MarkdownTable(const std::vector<ComparedFile>& files) {
  const auto cells = TableCells(files);
  std::ostringstream table;
  for (size_t line = 0; line < cells.size(); ++line) {
    table << "|";
    for (const std::string& cell : cells[line]) {
      table << " " << MarkdownCell(cell) << " |";
    }
    table << "\n";
    if (line == 0) {
      table << "|---:|---|";
      for (size_t file = 0; file < files.size(); ++file) {
        table << "---:|";
      }
      table << "\n";
    }
  }
  table << "\nMedians over the measured valid runs; in brackets, the ratio to " << MarkdownCell(files.front().Name)
        << ".\n";
  return table.str();
}

std::string InvalidRunNotes(const std::vector<ComparedFile>& files) {
  std::ostringstream notes;
  for (const ComparedFile& file : files) {
    for (const RunRecord& run : file.Result.Runs) {
      if (!run.Valid) {
        notes << file.Name << ": limit " << run.Limit << ", run " << run.Run << " is invalid (" << run.Problems
              << ") and left out\n";
      }
    }
  }
  return notes.str();
}

// A title in a gnuplot string: quotes doubled, no line ends.
static std::string GnuplotText(const std::string& text) {
  std::string quoted;
  for (const char byte : text) {
    quoted += byte == '\'' ? "''" : byte == '\n' || byte == '\r' ? " " : std::string(1, byte);
  }
  return quoted;
}

std::string DrawComparisonChart(const std::string& path, const std::vector<ComparedFile>& files, std::string& skipped) {
  skipped = GnuplotMissing();
  if (!skipped.empty()) {
    return "";
  }
  const std::vector<PhaseRow> rows = CompareMedians(files);
  std::ostringstream script;
  script << ChartOpening(path, "sievebench: median time against N, per machine");
  std::string clauses;
  for (size_t file = 0; file < files.size(); ++file) {
    const std::string block = "$machine" + std::to_string(file);
    script << block << " << EOD\n";
    bool above[4] = {};
    for (size_t row = 0; row < rows.size(); row += 4) {
      script << rows[row].Limit;
      for (int phase = 0; phase < 4; ++phase) {
        const double median = rows[row + static_cast<size_t>(phase)].Medians[file];
        above[phase] = above[phase] || median > 0;
        script << ' ' << PlotValue(median);
      }
      script << '\n';
    }
    script << "EOD\n";
    for (const int phase : {3, 0, 1, 2}) {  // the total first, then each phase that shows
      if (above[phase]) {
        clauses += std::string(clauses.empty() ? "" : ", ") + block + " using 1:" + std::to_string(phase + 2) +
                   " with linespoints title '" + GnuplotText(files[file].Name) + " " + PhaseNames[phase] + "'";
      }
    }
  }
  return Plot(script.str(), clauses, path, skipped);
}
