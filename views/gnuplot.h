// SPDX-License-Identifier: MIT
// The pieces of every gnuplot script, for the sweep's and the comparison's
// charts alike: the data travel inside the script as data blocks, so the
// script is the one thing gnuplot reads.
#pragma once

#include <string>

// A time as a plotted value: a log axis cannot show 0 ms, so it is left out (NaN).
std::string PlotValue(double milliseconds);
// Text from a file inside a gnuplot string: escaped for terminals, quotes
// doubled. Titles are drawn with `noenhanced`, so no markup is read in them.
std::string GnuplotText(const std::string& text);
// The opening of a log-log script of times against N that draws `path`
// (.svg or .png) at the given size with the given title.
std::string ChartOpening(const std::string& path, const std::string& title, int width = 800, int height = 560);
// The whole script: its opening and data blocks, then the plot's clauses;
// "" when there is no clause, that is nothing above 0 ms to draw.
std::string WithPlot(const std::string& script, const std::string& clauses);
