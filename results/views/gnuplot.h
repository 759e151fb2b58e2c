// SPDX-License-Identifier: MIT
// Charts through gnuplot, for the sweep and the compare tool alike: the data
// travel inside the script as data blocks, and the script goes to gnuplot's
// standard input, so nothing but the chart itself is written.
#pragma once

#include <string>

// Why no chart can be drawn at all, or "" when a gnuplot is on the PATH.
std::string GnuplotMissing();
// A time as a plotted value: a log axis cannot show 0 ms, so it is left out (NaN).
std::string PlotValue(double milliseconds);
// Text from a file inside a gnuplot string: escaped for terminals, quotes
// doubled. Titles are drawn with `noenhanced`, so no markup is read in them.
std::string GnuplotText(const std::string& text);
// The opening of a log-log script of times against N that draws `path`
// (.svg or .png) at the given size with the given title.
std::string ChartOpening(const std::string& path, const std::string& title, int width = 800, int height = 560);
// Draws from `script` (its opening and data blocks) and the plot's clauses.
// No clause means every time was 0 ms: nothing is drawn and `skipped` says
// why; so it does when gnuplot is missing. Returns an error message, or ""
// when the chart was drawn or skipped.
std::string Plot(const std::string& script, const std::string& clauses, const std::string& path, std::string& skipped);
