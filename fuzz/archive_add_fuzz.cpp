// SPDX-License-Identifier: MIT
// Any bytes as a file to add: what the checks take goes into an archive in
// memory, twice (the second adds nothing), and comes out again as a history
// in every view and as an exported file with the runs it went in with. It
// never crashes, throws or reads out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "archive/store.h"
#include "host/digest.h"
#include "results/comparison.h"
#include "results/history.h"
#include "results/result_file.h"
#include "views/history.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  SweepResult result;
  if (!ReadResultText(text, result).empty() || !UtcSeconds(result.Date) || !FindTampering(result).empty()) {
    return 0;
  }
  Archive archive;
  if (!archive.Open(":memory:", OpenMode::CreateIfMissing).empty()) {
    std::abort();
  }
  Imported first = Imported::Added;
  Imported second = Imported::Added;
  const std::string digest = *Sha256Hex(text);
  if (!archive.Add(result, digest, first).empty() || !archive.Add(result, digest, second).empty() ||
      second != Imported::AlreadyThere) {
    std::abort();
  }
  std::vector<ArchivedMachine> machines;
  std::vector<std::vector<ArchivedSweep>> sweeps;
  std::vector<SeriesInput> series;
  if (!archive.HistoryInputs({}, machines, sweeps, series).empty()) {
    std::abort();
  }
  const History history = BuildHistory(machines, sweeps, series, ChangeAlpha);
  const std::string views = HistoryText(history) + HistoryMarkdown(history) + HistoryJson(history, "0") +
                            HistoryHtml(history, {}, "no charts", "now", "0");
  SweepResult exported;
  if (!archive.Export(result.Label, result.Date, exported).empty() || exported.Runs != result.Runs ||
      views.empty()) {
    std::abort();
  }
  return 0;
}
