// SPDX-License-Identifier: MIT
// The views for a terminal: the sweep's table of its limits, and the
// comparison of machines. Both fit in 160 columns, and every text that came
// from a file is shown escaped.
#pragma once

#include <string>
#include <vector>

#include "results/comparison.h"
#include "results/model.h"

// Per limit: valid runs, outliers, mean ± sd of each phase, the total's range
// and the rates, with a warning line when there were outliers.
std::string SweepTable(const std::vector<LimitSummary>& summaries);

// The machines side by side while they fit, else one ranked row per machine;
// then the conditions, the legend, the warnings and the invalid runs.
std::string ComparisonText(const Comparison& comparison);
// The same decision for every view: do the machines fit side by side?
bool SideBySide(const Comparison& comparison);
