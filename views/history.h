// SPDX-License-Identifier: MIT
// An archive's history for people and tools: terminal text, Markdown, JSON
// (sievebench-history/1), and a self-contained page with a time chart per
// limit. Every text that came from a result file is escaped for where it goes.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "results/history.h"

// The JSON format's name and version, the document's "format" key.
extern const char HistoryFormat[];

// "+8.1% [+6.2, +10.0] (p<0.001)": a step's size, interval and p-value.
std::string StepText(const FoundChange& change);
// "label (cpu, 4 cores, x86_64)", raw: each view escapes it.
std::string MachineTitle(const ArchivedMachine& machine);

std::string HistoryText(const History& history);
std::string HistoryMarkdown(const History& history);
std::string HistoryJson(const History& history, const std::string& version);

// The limits that have a chart, in order, and each chart's script drawing
// into `path`: one line per machine of its median over time (its series of
// `phase`), the interval as error bars, and a dashed line at each step.
std::vector<uint32_t> ChartedLimits(const History& history);
std::string HistoryChartScript(const std::string& path, const History& history, uint32_t limit);

// The page; `charts` holds each charted limit's inline SVG ("" where none
// was drawn), `chartsMissing` why there are none at all.
std::string HistoryHtml(const History& history, const std::vector<std::pair<uint32_t, std::string>>& charts,
                        const std::string& chartsMissing, const std::string& date, const std::string& version);
