// SPDX-License-Identifier: MIT
// The table's content is decided here once; how it is padded or escaped is
// each view's own business.
#include "views/table.h"

#include "views/cell_text.h"

std::vector<TableRow> SideBySideRows(const Comparison& comparison) {
  std::vector<TableRow> rows;
  for (const ComparisonRow& row : comparison.Rows) {
    TableRow line{std::to_string(row.Limit), PhaseName(row.Phase), false, {}};
    for (size_t file = 0; file < row.Cells.size(); ++file) {
      const Cell& cell = row.Cells[file];
      line.Cells.push_back({MedianText(cell), IntervalText(cell), ChangeText(cell, file == 0)});
    }
    rows.push_back(std::move(line));
  }
  for (const GeomeanRow& row : comparison.Geomeans) {
    TableRow line{"geomean", PhaseName(row.Phase), true, {}};
    for (size_t file = 0; file < row.Cells.size(); ++file) {
      line.Cells.push_back({GeomeanText(row.Cells[file], file == 0), "", ""});
    }
    rows.push_back(std::move(line));
  }
  return rows;
}

std::vector<RankedRow> RankedRows(const Comparison& comparison) {
  std::vector<RankedRow> rows;
  for (const size_t file : RankedByTotal(comparison)) {
    rows.push_back({rows.size() + 1, file, GeomeanText(*TotalGeomean(comparison, file), file == 0)});
  }
  return rows;
}
