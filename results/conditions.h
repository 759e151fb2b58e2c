// SPDX-License-Identifier: MIT
// The conditions that change what the times measure, listed once: the sweep
// warns when resumed runs meet other ones than the runs before them, and the
// comparison when a machine ran under other ones than the baseline.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/model.h"

// A CPU affinity differs between machines by their cores alone, so it only
// says something within one machine.
enum class ConditionScope { OneMachine, Machines };

struct ConditionChange {
  std::string Name;  // "file system", as a sentence names it
  std::string Was;   // the earlier or baseline value, as the files write it
  std::string Is;
  // "a counted on ext4, b on tmpfs: the count phase compares file systems",
  // with the names of the two that ran under `Was` and `Is`.
  std::string (*Sentence)(const ConditionChange& change, const std::string& was, const std::string& is) = nullptr;
};

// "1 ms", "15.625 ms": the step of the timer that measured the runs.
std::string TimerStep(const RunConditions& conditions);

// The page policy a benchmark build names in its own bytes
// ("sievebench-page-policy=page;"), as a result file records it: "page",
// the machine's ordinary page, becomes its size ("4k", "64k"); any other
// policy ("thp>=65536") stands as written. None when the build names none.
std::optional<std::string> PagePolicyOf(const std::string& programBytes, uint64_t pageBytes);

// Each condition known on both sides whose value differs, in one order.
std::vector<ConditionChange> ChangedConditions(const RunConditions& was, const RunConditions& is, ConditionScope scope);
