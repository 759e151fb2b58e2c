// SPDX-License-Identifier: MIT
// Terminal views. A comparison is laid out side by side when its widest line
// fits the terminal width, and as a ranking otherwise: a fleet of hundreds
// of machines still reads as one line each.
#include "views/text.h"

#include <algorithm>
#include <cstdio>

#include "views/text_safe.h"
#include "views/cell_text.h"
#include "views/columns.h"
#include "views/table.h"

namespace {

std::string Formatted(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// "mean ± σ" of one phase, in ms.
std::string MeanCell(const Spread& spread) {
  return Formatted("%.1f", spread.Mean) + " \u00b1 " + Formatted("%.1f", spread.StdDev);
}

std::string Rate(double perSecond) {
  if (perSecond <= 0) {
    return "-";
  }
  if (perSecond >= 1e9) {
    return Formatted("%.2fG", perSecond / 1e9);
  }
  return perSecond >= 1e6 ? Formatted("%.1fM", perSecond / 1e6) : Formatted("%.0fk", perSecond / 1e3);
}

// A file's name as a heading: escaped, and no wider than a column may be.
constexpr size_t NameColumns = 40;
std::string DisplayName(const ComparedFile& file) {
  return Truncated(TerminalSafe(file.Name), NameColumns);
}

// One machine's cells as one column of a limit row: the median right-aligned
// and the interval left-aligned to the widest of the column, then the change.
// A geomean row's text stands alone.
std::vector<std::string> MachineColumn(const std::vector<TableRow>& rows, size_t file) {
  size_t medianWidth = 0;
  size_t intervalWidth = 0;
  for (const TableRow& row : rows) {
    if (!row.Geomean) {
      medianWidth = std::max(medianWidth, TerminalColumns(row.Cells[file].Median));
      intervalWidth = std::max(intervalWidth, TerminalColumns(row.Cells[file].Interval));
    }
  }
  std::vector<std::string> column;
  for (const TableRow& row : rows) {
    const TableCell& cell = row.Cells[file];
    if (row.Geomean) {
      column.push_back(cell.Median);
      continue;
    }
    std::string text(medianWidth - TerminalColumns(cell.Median), ' ');
    text += cell.Median;
    text += ' ';
    text += cell.Interval;
    text.append(intervalWidth - TerminalColumns(cell.Interval), ' ');
    text += ' ';
    text += cell.Change;
    column.push_back(std::move(text));
  }
  return column;
}

// The side-by-side table as cells, the heading first.
std::vector<std::vector<std::string>> SideBySideCells(const Comparison& comparison) {
  const std::vector<TableRow> rows = SideBySideRows(comparison);
  std::vector<std::vector<std::string>> cells = {{"limit", "phase"}};
  for (const ComparedFile& file : comparison.Files) {
    cells[0].push_back(DisplayName(file));
  }
  for (const TableRow& row : rows) {
    cells.push_back({row.Limit, row.Phase});
  }
  for (size_t file = 0; file < comparison.Files.size(); ++file) {
    const std::vector<std::string> column = MachineColumn(rows, file);
    for (size_t row = 0; row < column.size(); ++row) {
      cells[row + 1].push_back(column[row]);
    }
  }
  return cells;
}

std::string RankedTable(const Comparison& comparison) {
  std::vector<std::vector<std::string>> rows = {{"rank", "machine", "total, geomean against the baseline", "cpu"}};
  for (const RankedRow& ranked : RankedRows(comparison)) {
    const ComparedFile& compared = comparison.Files[ranked.File];
    rows.push_back({std::to_string(ranked.Rank), DisplayName(compared), ranked.Total,
                    TerminalSafe(compared.Result.Host.Cpu)});
  }
  // The CPU takes what is left of the line.
  size_t used = 0;
  for (size_t column = 0; column + 1 < rows[0].size(); ++column) {
    size_t widest = 0;
    for (const auto& row : rows) {
      widest = std::max(widest, TerminalColumns(row[column]));
    }
    used += widest + 2;
  }
  for (auto& row : rows) {
    row.back() = Truncated(row.back(), TerminalWidth > used ? TerminalWidth - used : 0);
  }
  return std::to_string(comparison.Files.size()) + " machines, ranked by the geometric mean of their total time " +
         "(fastest first)\n" + AlignColumns(rows, {true, false, false, false});
}

// The machines' fields side by side, a "*" on each value that differs from the baseline's.
std::string ConditionsSideBySide(const Comparison& comparison) {
  const std::vector<std::string> labels = MachineFieldLabels();
  const size_t files = comparison.Files.size();
  const size_t valueColumns = std::min<size_t>(34, (TerminalWidth - 16) / files - 2);
  std::vector<std::vector<std::string>> rows = {{"machine"}};
  for (const std::string& label : labels) {
    rows.push_back({label});
  }
  const std::vector<std::string> baseline = MachineFieldValues(comparison.Files[0].Result);
  for (size_t file = 0; file < files; ++file) {
    rows[0].push_back(DisplayName(comparison.Files[file]));
    const std::vector<std::string> values = MachineFieldValues(comparison.Files[file].Result);
    for (size_t field = 0; field < labels.size(); ++field) {
      const std::string mark = values[field] != baseline[field] ? " *" : "";
      rows[field + 1].push_back(Truncated(TerminalSafe(values[field]), valueColumns - mark.size()) + mark);
    }
  }
  for (auto& cell : rows[0]) {
    cell = Truncated(cell, valueColumns);
  }
  return AlignColumns(rows, {}) + "*: differs from the baseline\n";
}

// For a fleet: each field's values and how many machines have each.
std::string ConditionsSummary(const Comparison& comparison) {
  const std::vector<std::string> labels = MachineFieldLabels();
  const std::vector<ValueCounts> counts = MachineFieldCounts(comparison.Files);
  std::string text = "machines and conditions (value: machines):\n";
  for (size_t field = 0; field < labels.size(); ++field) {
    const ValueCounts& values = counts[field];
    std::string line = "  " + labels[field] + ": ";
    for (size_t index = 0; index < values.size() && index < 4; ++index) {
      line += (index == 0 ? "" : ", ") + Truncated(TerminalSafe(values[index].first), 32) + ": " +
              std::to_string(values[index].second);
    }
    if (values.size() > 4) {
      line += ", " + std::to_string(values.size() - 4) + " other values";
    }
    text += Truncated(line, TerminalWidth) + "\n";
  }
  return text;
}

std::string Notes(const std::vector<std::string>& notes, const std::string& prefix) {
  std::string text;
  for (const std::string& note : notes) {
    text += Wrapped(prefix + TerminalSafe(note), TerminalWidth, 4);
  }
  return text;
}

}  // namespace

std::string SweepTable(const std::vector<LimitSummary>& summaries) {
  char line[512];
  std::snprintf(line, sizeof line, "%12s %6s %4s  %-14s %-14s %-16s %-16s %-13s %9s %9s\n", "limit", "valid", "out",
                "init ms", "sieve ms", "count ms", "total ms", "total range", "marks/s", "records/s");
  std::string table = line;
  auto padded = [](const std::string& cell, size_t width) {
    return cell + std::string(width > TerminalColumns(cell) ? width - TerminalColumns(cell) : 0, ' ');
  };
  uint32_t outliers = 0;
  const bool variants = std::any_of(summaries.begin(), summaries.end(),
                                    [&](const LimitSummary& row) { return row.Variant != summaries[0].Variant; });
  for (size_t index = 0; index < summaries.size(); ++index) {
    const LimitSummary& row = summaries[index];
    if (variants && (index == 0 || summaries[index - 1].Variant != row.Variant)) {
      table += "variant " + TerminalSafe(row.Variant) + ":\n";
    }
    const std::string valid = std::to_string(row.ValidRuns) + "/" + std::to_string(row.Runs);
    const std::string range = Formatted("%.0f", row.Total.Min) + ".." + Formatted("%.0f", row.Total.Max);
    std::snprintf(line, sizeof line, "%12u %6s %4u  %s %s %s %s %-13s %9s %9s\n", row.Limit, valid.c_str(),
                  row.Outliers, padded(MeanCell(row.Init), 14).c_str(), padded(MeanCell(row.Sieve), 14).c_str(),
                  padded(MeanCell(row.Count), 16).c_str(), padded(MeanCell(row.Total), 16).c_str(), range.c_str(),
                  Rate(row.MarksPerSecond).c_str(), Rate(row.RecordsPerSecond).c_str());
    table += line;
    outliers += row.Outliers;
  }
  table += "times: mean \u00b1 sd over the measured runs of each limit (warm-up runs left out); out: outliers\n";
  if (outliers != 0) {
    table += "Warning: " + std::to_string(outliers) + (outliers == 1 ? " run lies far from its" : " runs lie far from their") +
             " limit's median total: something may have disturbed the machine (other programs, power saving, a "
             "noisy neighbour).\n";
  }
  return table;
}

bool SideBySide(const Comparison& comparison) {
  return WidestLine(AlignColumns(SideBySideCells(comparison), {true, false})) <= TerminalWidth;
}

std::string ComparisonText(const Comparison& comparison) {
  const std::string table = AlignColumns(SideBySideCells(comparison), {true, false});
  const bool sideBySide = WidestLine(table) <= TerminalWidth;
  std::string text = Truncated("baseline: " + DisplayName(comparison.Files[0]) + " (" +
                                   TerminalSafe(comparison.Files[0].Path) + ")",
                               TerminalWidth) +
                     "\n";
  text += sideBySide ? table : RankedTable(comparison);
  text += Legend(comparison);
  text += "\n" + (sideBySide ? ConditionsSideBySide(comparison) : ConditionsSummary(comparison));
  text += Notes(comparison.Warnings, "warning: ");
  text += Notes(comparison.InvalidRuns, "");
  return text;
}
