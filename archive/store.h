// SPDX-License-Identifier: MIT
// The archive's database: one SQLite file of every sweep imported, kept
// whole through concurrent imports and killed ones. Each sweep is one
// transaction; a sweep is known by the SHA-256 of its file, so importing a
// file again adds nothing. The schema carries its version in
// PRAGMA user_version and is brought up to date on opening.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/history.h"
#include "results/model.h"

struct sqlite3;

// The schema this build writes; older ones are migrated on opening.
inline constexpr int SchemaVersion = 2;
// Marks the file as a sievebench archive (PRAGMA application_id): "SBAR".
inline constexpr int32_t ArchiveApplicationId = 0x53424152;

enum class OpenMode { CreateIfMissing, Existing };

// What one import did.
enum class Imported {
  Added,        // a new sweep
  Completed,    // a sweep archived before as incomplete, now whole
  AlreadyThere, // a file of these very bytes is archived
  Superseded    // this machine's sweep of that date is archived already, as complete
};

// One machine with its sweeps' count and span.
struct MachineEntry {
  ArchivedMachine Identity;
  size_t Sweeps = 0;
  std::string First, Last;
};

// Which part of the history to read: a machine's label, a limit, a phase;
// none means all.
struct HistoryQuery {
  std::optional<std::string> Label;
  std::optional<uint32_t> Limit;
  std::optional<TimedPhase> Phase;
};

class Archive {
 public:
  Archive() = default;
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;
  ~Archive();

  // Opens the file at `path`, creating it when asked and it is missing, and
  // brings its schema up to date. Returns why it cannot ("not a sievebench
  // archive", "corrupt: ..."), or "".
  std::string Open(const std::string& path, OpenMode mode);

  // Whether a file of this digest is archived.
  std::string Holds(const std::string& sha256, bool& held);
  // Imports one checked sweep, its runs and its levels, in one transaction.
  std::string Add(const SweepResult& result, const std::string& sha256, Imported& outcome);

  std::string Machines(std::vector<MachineEntry>& machines);
  // The machines, their sweeps and series the query names, plus every
  // machine's total series (the fleet's steps need them), ready for BuildHistory.
  std::string HistoryInputs(const HistoryQuery& query, std::vector<ArchivedMachine>& machines,
                            std::vector<std::vector<ArchivedSweep>>& sweeps, std::vector<SeriesInput>& series);
  // The sweep of a machine of this label at `date` (whole, or its day
  // "2026-03-02"), as a result file holds it.
  std::string Export(const std::string& label, const std::string& date, SweepResult& result);

  int UserVersion();

 private:
  std::string Migrate();
  sqlite3* db_ = nullptr;
};

// The first schema's statements, kept to test the migration from it.
extern const char* const FirstSchema;
