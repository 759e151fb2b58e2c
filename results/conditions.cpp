// SPDX-License-Identifier: MIT
// One table of the conditions that matter: what each is called, where it is
// read, and what a difference in it does to the times. A condition that one
// side does not record is no evidence of a change, so it is passed over.
#include "results/conditions.h"

#include <cstdio>
#include <optional>
#include <string_view>

#include "results/comparison.h"

std::string TimerStep(const RunConditions& conditions) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", TimerResolution(conditions));
  return std::string(text) + " ms";
}

std::optional<std::string> PagePolicyOf(const std::string& programBytes, uint64_t pageBytes) {
  static constexpr std::string_view Tag = "sievebench-page-policy=";
  static constexpr size_t LongestPolicy = 32;
  const size_t start = programBytes.find(Tag);
  if (start == std::string::npos) {
    return std::nullopt;
  }
  const size_t from = start + Tag.size();
  const size_t end = programBytes.find(';', from);
  const std::string policy = programBytes.substr(from, end == std::string::npos ? 0 : end - from);
  const bool plain = !policy.empty() && policy.size() <= LongestPolicy &&
                     policy.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789<>=") == std::string::npos;
  if (!plain) {
    return std::nullopt;  // not our tag, or a damaged one: no evidence of a policy
  }
  if (policy == "page" && pageBytes >= 1024) {
    return std::to_string(pageBytes / 1024) + "k";
  }
  return policy;
}

namespace {

std::string Under(const std::string& name) {
  return name == "none" ? std::string("no hypervisor") : name;
}

struct Condition {
  const char* Name;
  ConditionScope Scope;  // the narrowest scope it is compared in
  std::optional<std::string> (*Value)(const RunConditions& conditions);
  std::string (*Sentence)(const ConditionChange& change, const std::string& was, const std::string& is);
};

constexpr Condition Conditions[] = {
    {"file system", ConditionScope::Machines,
     [](const RunConditions& c) { return c.FileSystem; },
     [](const ConditionChange& change, const std::string& was, const std::string& is) {
       return was + " counted on " + change.Was + ", " + is + " on " + change.Is +
              ": the count phase compares file systems";
     }},
    {"priority", ConditionScope::Machines,
     [](const RunConditions& c) { return c.Priority; },
     [](const ConditionChange& change, const std::string& was, const std::string& is) {
       return was + " ran at priority " + change.Was + ", " + is + " at " + change.Is +
              ": the times compare priorities too";
     }},
    {"governor", ConditionScope::Machines,
     [](const RunConditions& c) { return c.Governor; },
     [](const ConditionChange& change, const std::string& was, const std::string& is) {
       return was + "'s CPU governor was " + change.Was + ", " + is + "'s " + change.Is +
              ": the times compare frequency scaling too";
     }},
    {"virtualization", ConditionScope::Machines,
     [](const RunConditions& c) { return c.Virtualization; },
     [](const ConditionChange& change, const std::string& was, const std::string& is) {
       return was + " ran under " + Under(change.Was) + ", " + is + " under " + Under(change.Is) +
              ": the times compare hypervisors too";
     }},
    {"timer step", ConditionScope::Machines,
     [](const RunConditions& c) { return std::optional(TimerStep(c)); },
     [](const ConditionChange& change, const std::string& was, const std::string& is) {
       return was + "'s timer steps by " + change.Was + ", " + is + "'s by " + change.Is +
              ": phases shorter than " + FewestTicksText() + " steps of either are not compared";
     }},
    {"page policy", ConditionScope::Machines,
     [](const RunConditions& c) { return c.PagePolicy; },
     [](const ConditionChange& change, const std::string& was, const std::string& is) {
       return was + "'s array had the page policy " + change.Was + ", " + is + "'s " + change.Is +
              ": the initialize phase compares page policies too";
     }},
    {"CPU affinity", ConditionScope::OneMachine,
     [](const RunConditions& c) { return c.CpuAffinity; },
     [](const ConditionChange& change, const std::string& was, const std::string& is) {
       return was + " ran on CPUs " + change.Was + ", " + is + " on " + change.Is +
              ": the times compare CPUs too";
     }},
};

}  // namespace

std::vector<ConditionChange> ChangedConditions(const RunConditions& was, const RunConditions& is, ConditionScope scope) {
  std::vector<ConditionChange> changes;
  for (const Condition& condition : Conditions) {
    if (scope == ConditionScope::Machines && condition.Scope == ConditionScope::OneMachine) {
      continue;
    }
    const std::optional<std::string> before = condition.Value(was);
    const std::optional<std::string> after = condition.Value(is);
    if (before && after && *before != *after) {
      changes.push_back({condition.Name, *before, *after, condition.Sentence});
    }
  }
  return changes;
}
