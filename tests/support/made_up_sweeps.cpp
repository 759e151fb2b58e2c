// SPDX-License-Identifier: MIT
// Made-up machines: sound runs, so that they pass the tampering check.
#include "tests/support/made_up_sweeps.h"

#include "results/report.h"
#include "results/result_file.h"

static RunRecord SoundRun(uint32_t limit, uint32_t count) {
  RunRecord record;
  record.Limit = limit;
  record.Parsed = record.Valid = true;
  record.Values = {.Limit = limit, .InitMs = 0, .SieveMs = 0, .CountMs = count, .TotalMs = count,
                   .Primes = static_cast<uint32_t>(KnownPrimeCount(limit)),
                   .LoopCounter = static_cast<uint32_t>(ExpectedLoopCounter(limit))};
  return record;
}

SweepResult SweepOfVariants(const std::string& label, const VariantTimes& variants) {
  SweepResult result = SweepOf(label, {});
  result.Variants.clear();
  for (const auto& [name, counts] : variants) {
    result.Variants.push_back({name, "/usr/bin/sievebench", "", std::nullopt, std::nullopt});
  }
  const auto& [firstName, firstCounts] = variants.front();
  for (const auto& [limit, times] : firstCounts) {
    for (uint32_t round = 1; round <= times.size(); ++round) {
      for (const auto& [name, counts] : variants) {
        RunRecord record = SoundRun(limit, counts.at(limit).at(round - 1));
        record.Run = record.Round = round;
        record.Sequence = static_cast<uint32_t>(result.Runs.size() + 1);
        record.Variant = name;
        result.Runs.push_back(record);
      }
    }
  }
  return result;
}

SweepResult SweepOf(const std::string& label, const std::map<uint32_t, std::vector<uint32_t>>& counts) {
  SweepResult result;
  result.Format = ResultFormat;
  result.Variants = {{DefaultVariant, "/usr/bin/sievebench", "", std::nullopt, std::nullopt}};
  result.Label = label;
  result.Conditions.FileSystem = "ext4";
  result.Program.Sha256 = std::string(64, '0');
  for (const auto& [limit, times] : counts) {
    uint32_t run = 0;
    for (const uint32_t count : times) {
      RunRecord record;
      record.Limit = limit;
      record.Run = ++run;
      record.Round = run;
      record.Sequence = static_cast<uint32_t>(result.Runs.size() + 1);
      record.Variant = DefaultVariant;
      record.Parsed = record.Valid = true;
      record.Values = {.Limit = limit, .InitMs = 0, .SieveMs = 0, .CountMs = count, .TotalMs = count,
                       .Primes = static_cast<uint32_t>(KnownPrimeCount(limit)),
                       .LoopCounter = static_cast<uint32_t>(ExpectedLoopCounter(limit))};
      result.Runs.push_back(record);
    }
  }
  return result;
}

std::vector<ComparedFile> Named(std::vector<SweepResult> results) {
  std::vector<ComparedFile> files;
  for (size_t index = 0; index < results.size(); ++index) {
    files.push_back({"dir/file" + std::to_string(index) + ".json", results[index], "", "", 0});
  }
  NameFiles(files);
  return files;
}
