// SPDX-License-Identifier: MIT
// The words and numbers of a comparison's cells, written once for every view,
// so the text table, Markdown, JSON notes and the page say the same thing.
#pragma once

#include <string>

#include "results/comparison.h"

// "115 ms", "4.5 ms", or "–" where the machine did not run the limit.
std::string MedianText(const Cell& cell);
// "[113–118]" for the median's interval, or "" without one.
std::string IntervalText(const Cell& cell);
// "113–118": an interval of milliseconds.
std::string RangeText(const Interval& interval);
// Against the baseline: "+19.3% [+17.0, +21.2] (p=0.002 n=6)", "~ (p=0.45
// n=6)" when the change is not significant, "too short", or "n=6" for the
// baseline itself; n counts the pairs of a paired cell.
std::string ChangeText(const Cell& cell, bool baseline);
// "+12.3% (slower at 4 of 4)", "~ +1.2% (slower at 1 of 4)", "~ +0.1% (none
// of 4 significant)", "–" where no limit is compared, or "baseline".
std::string GeomeanText(const GeomeanCell& cell, bool baseline);
// "p=0.002", "p=0.45", "p<0.001".
std::string PValueText(double p);
std::string PercentText(double percent);  // "+19.3%"
std::string PercentInterval(double low, double high);  // "[+17.0, +21.2]"
// Whole milliseconds as they are ("115"), a median between two with one decimal ("4.5").
std::string Milliseconds(double value);
std::string PlainNumber(double value);     // "0.05", "10"

// The lines under every comparison: how to read the cells.
std::string Legend(const Comparison& comparison);
// The same as one paragraph, for views that wrap text themselves.
std::string LegendParagraph(const Comparison& comparison);
