// SPDX-License-Identifier: MIT
// Comparing result files: each file checked again without trusting it, and
// one table of every machine's medians with their ratios to the first file.
#pragma once

#include <string>
#include <vector>

#include "results/model.h"

// A result file that passed its checks, with the name it goes by in the table.
struct ComparedFile {
  std::string Path;
  SweepResult Result;
  std::string Name;  // the label, with the file's name added when labels collide
};

// Runs the sweep marked valid whose prime count, loop-counter or total
// disagree with their recomputation, one message each ("limit 100, run 2:
// found 26 primes, not 25"); empty when the file is sound. Runs marked
// invalid are not checked: they are shown as invalid and left out.
std::vector<std::string> FindTampering(const SweepResult& result);

// Gives each file its name: its label, or, where two labels are the same,
// the label with the file's name (or its whole path, if that is the same too).
void NameFiles(std::vector<ComparedFile>& files);

// The medians of one phase: per limit and file, over the measured valid runs.
struct PhaseRow {
  uint32_t Limit = 0;
  const char* Phase = "";
  std::vector<double> Medians;  // one per file; negative where the file has no valid run of the limit
};
std::vector<PhaseRow> CompareMedians(const std::vector<ComparedFile>& files);

// "1.00x" style ratio of a median to the baseline's, or "–" where the limit
// is missing from either or the baseline's median is 0 ms.
std::string RatioText(double median, double baseline);

std::string TextTable(const std::vector<ComparedFile>& files);
std::string MarkdownTable(const std::vector<ComparedFile>& files);
// Lines naming each run that its sweep marked invalid; empty when there is none.
std::string InvalidRunNotes(const std::vector<ComparedFile>& files);
// One line per machine against N: the total, and each phase that is above
// 0 ms somewhere. Returns an error message, or "" (with `skipped` saying why
// nothing was drawn, when that is no failure).
std::string DrawComparisonChart(const std::string& path, const std::vector<ComparedFile>& files, std::string& skipped);
