// SPDX-License-Identifier: MIT
// Variant names and the rounds' pairs.
#include "results/variants.h"

#include <algorithm>

std::string VariantNameProblem(const std::string& name) {
  if (name.empty() || name.size() > 32) {
    return "a variant's name is 1 to 32 characters";
  }
  if (name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-") != std::string::npos) {
    return "a variant's name holds only letters, digits, '.', '_' and '-'";
  }
  return "";
}

std::string VariantOf(const RunRecord& run) {
  return run.Variant.empty() ? std::string(DefaultVariant) : run.Variant;
}

bool OfVariant(const RunRecord& run, const std::string& variant) {
  return variant.empty() || VariantOf(run) == variant;
}

std::vector<std::string> VariantsInOrder(const std::vector<RunRecord>& runs) {
  std::vector<std::string> variants;
  for (const RunRecord& run : runs) {
    if (std::find(variants.begin(), variants.end(), VariantOf(run)) == variants.end()) {
      variants.push_back(VariantOf(run));
    }
  }
  return variants;
}

std::map<uint32_t, double> TimesByRound(const std::vector<RunRecord>& runs, const std::string& variant,
                                        uint32_t limit, TimedPhase phase) {
  std::map<uint32_t, double> times;
  for (const RunRecord& run : runs) {
    if (run.Limit == limit && run.Valid && !run.Warmup && run.Round != 0 && OfVariant(run, variant)) {
      times[run.Round] = PhaseMs(run.Values, phase);
    }
  }
  return times;
}
