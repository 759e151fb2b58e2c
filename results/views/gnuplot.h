// SPDX-License-Identifier: MIT
// Charts through gnuplot, for the sweep and the compare tool alike: the data
// travel inside the script as a data block, so nothing but the script itself
// is written to a scratch file.
#pragma once

#include <string>

// Why no chart can be drawn at all, or "" when a gnuplot is on the PATH.
std::string GnuplotMissing();
// A time as a plotted value: a log axis cannot show 0 ms, so it is left out (NaN).
std::string PlotValue(double milliseconds);
// The opening of a log-log script of times against N that draws `path`
// (.svg or .png) with the given title.
std::string ChartOpening(const std::string& path, const std::string& title);
// Draws `path` from `script` (its opening and data blocks) and the plot's
// clauses. No clause means every time was 0 ms: nothing is drawn and `skipped`
// says why. Returns an error message, or "" when `path` was drawn or skipped.
std::string Plot(const std::string& script, const std::string& clauses, const std::string& path, std::string& skipped);
