// SPDX-License-Identifier: MIT
// The comparison's tables as one model, which the terminal and Markdown
// views each render their own way: the per-limit table with its geomean
// rows, and the ranking a fleet gets instead.
#pragma once

#include <string>
#include <vector>

#include "results/comparison.h"

// One machine's figures in one row, in the cell texts every view shares.
struct TableCell {
  std::string Median;    // "115 ms"; the geomean's whole text on a geomean row
  std::string Interval;  // "[113–118]", or ""
  std::string Change;    // "+19.3% (p=0.002 n=6)", "n=6" for the baseline; "" on a geomean row
};

struct TableRow {
  std::string Limit;  // "1000000", or "geomean"
  std::string Phase;  // "total", ...
  bool Geomean = false;
  std::vector<TableCell> Cells;  // one per machine, the baseline first
};

// Every limit's rows, then the geomean rows.
std::vector<TableRow> SideBySideRows(const Comparison& comparison);

struct RankedRow {
  size_t Rank = 0;    // 1 for the fastest
  size_t File = 0;    // the machine's index in the comparison
  std::string Total;  // its total's geomean text
};

// The machines by the geometric mean of their total time, fastest first.
std::vector<RankedRow> RankedRows(const Comparison& comparison);
