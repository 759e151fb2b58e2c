// SPDX-License-Identifier: MIT
// An archive's history: each machine's sweeps over time, per limit and
// phase, the steps found in them, what changed on the machine at each step,
// and the steps that most of the fleet took together, told once as the
// fleet's. Built from what the archive holds; no database in it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/changes.h"
#include "results/model.h"
#include "results/phases.h"

// Seconds since 1970 of a date as the sweep writes it ("2026-12-08T21:00:00Z",
// UTC), or none for any other text.
std::optional<int64_t> UtcSeconds(const std::string& date);

// A machine is its label with its processor, cores and architecture: a
// relabelled or replaced machine starts a history of its own.
struct ArchivedMachine {
  std::string Label;
  std::string Cpu;
  uint32_t Cores = 0;
  std::string Arch;
};

// One sweep of a machine, as its history needs it.
struct ArchivedSweep {
  std::string Date;
  bool Complete = true;
  Machine Host;
  RunConditions Conditions;
  std::optional<std::string> ProgramSha256;
};

// One machine's levels at one limit and phase, one point per sweep that ran it.
struct SeriesInput {
  size_t Machine = 0;         // into History::Machines
  uint32_t Limit = 0;
  TimedPhase Phase = TimedPhase::Total;
  std::vector<size_t> Sweeps;  // into the machine's sweeps, in date order
  std::vector<SeriesPoint> Points;
};

struct HistoryChange {
  FoundChange Found;
  std::string Date;  // of the first sweep of the new level
  // Each fact of the machine or its conditions that differs from the sweep
  // before: "kernel 6.1 → 6.8", "file_system ext4 → tmpfs".
  std::vector<std::string> ConditionsChanged;
  std::optional<size_t> Fleet;  // the fleet's step it belongs to, into History::Fleet
};

struct HistorySeries {
  SeriesInput Input;
  std::vector<HistoryChange> Changes;
};

// A step that most machines took within a day of each other.
struct FleetChange {
  std::string Date;              // the earliest of their steps
  std::vector<size_t> Machines;  // into History::Machines
  double ChangePercent = 0;      // the median of the machines' total steps
};

struct History {
  double Alpha = ChangeAlpha;
  std::vector<ArchivedMachine> Machines;
  std::vector<std::vector<ArchivedSweep>> Sweeps;  // per machine, in date order
  std::vector<HistorySeries> Series;
  std::vector<FleetChange> Fleet;
};

// The facts that differ between two sweeps of one machine, as "key was → is".
std::vector<std::string> ChangedFacts(const ArchivedSweep& was, const ArchivedSweep& is);

// Finds the steps of every series, names what changed at each, and gathers
// the fleet's steps: at one date (within a day), more than half of the
// machines whose sweeps lie on both sides of it, and at least two, stepped
// in their total at some limit.
History BuildHistory(std::vector<ArchivedMachine> machines, std::vector<std::vector<ArchivedSweep>> sweeps,
                     std::vector<SeriesInput> series, double alpha);

// The steps of one machine not told as the fleet's.
std::vector<const HistoryChange*> OwnChanges(const HistorySeries& series);
