// SPDX-License-Identifier: MIT
// SQLite in WAL mode with a busy timeout, so imports running at once wait
// for each other instead of failing, and readers never block them; every
// import is one IMMEDIATE transaction, so a killed one leaves nothing
// behind and running it again completes it. Every statement's result is
// checked, and a failure becomes the one message its caller reports.
#include "archive/store.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>

#include "results/changes.h"
#include "results/phases.h"
#include "results/result_file.h"
#include "results/sweep_noise.h"
#include "results/variants.h"

const char* const FirstSchema = R"(
CREATE TABLE machines(
  id INTEGER PRIMARY KEY,
  label TEXT NOT NULL, cpu TEXT NOT NULL, cores INTEGER NOT NULL, arch TEXT NOT NULL,
  UNIQUE(label, cpu, cores, arch));
CREATE TABLE sweeps(
  id INTEGER PRIMARY KEY,
  machine INTEGER NOT NULL REFERENCES machines(id),
  sha256 TEXT NOT NULL UNIQUE,
  date TEXT NOT NULL,
  complete INTEGER NOT NULL,
  header TEXT NOT NULL);
CREATE INDEX sweeps_by_machine ON sweeps(machine, date);
CREATE TABLE runs(
  sweep INTEGER NOT NULL REFERENCES sweeps(id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  lim INTEGER NOT NULL, run INTEGER NOT NULL, warmup INTEGER NOT NULL,
  round INTEGER NOT NULL, sequence INTEGER NOT NULL, variant TEXT NOT NULL,
  parsed INTEGER NOT NULL, init_ms INTEGER, sieve_ms INTEGER, count_ms INTEGER, total_ms INTEGER,
  primes INTEGER, loop_counter INTEGER,
  valid INTEGER NOT NULL, outlier INTEGER NOT NULL, problems TEXT NOT NULL,
  PRIMARY KEY(sweep, position)) WITHOUT ROWID;
PRAGMA user_version = 1;
)";

// Version 2 keeps each sweep's level per limit and phase, so a history
// reads thousands of sweeps without their millions of runs.
static const char* const SecondSchema = R"(
CREATE TABLE levels(
  sweep INTEGER NOT NULL REFERENCES sweeps(id) ON DELETE CASCADE,
  lim INTEGER NOT NULL, phase INTEGER NOT NULL,
  runs INTEGER NOT NULL, median_ms REAL NOT NULL, ci_low_ms REAL, ci_high_ms REAL,
  halves REAL, resolution_ms REAL NOT NULL,
  PRIMARY KEY(sweep, lim, phase)) WITHOUT ROWID;
PRAGMA user_version = 2;
)";

namespace {

// One prepared statement, finalized when it goes.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { code_ = sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(statement_); }

  bool Prepared() const { return code_ == SQLITE_OK; }
  void Bind(int index, int64_t value) { sqlite3_bind_int64(statement_, index, value); }
  void Bind(int index, double value) { sqlite3_bind_double(statement_, index, value); }
  void Bind(int index, const std::string& text) {
    sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  void BindNull(int index) { sqlite3_bind_null(statement_, index); }
  template <typename Value>
  void BindOptional(int index, const std::optional<Value>& value) {
    if (value) {
      Bind(index, *value);
    } else {
      BindNull(index);
    }
  }
  // SQLITE_ROW, SQLITE_DONE, or an error code.
  int Step() { return Prepared() ? sqlite3_step(statement_) : code_; }
  // Done with one row of an insert: ready to bind the next.
  bool Done() {
    const bool done = Step() == SQLITE_DONE;
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    return done;
  }
  int64_t Integer(int column) { return sqlite3_column_int64(statement_, column); }
  double Real(int column) { return sqlite3_column_double(statement_, column); }
  bool IsNull(int column) { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
  std::optional<double> OptionalReal(int column) { return IsNull(column) ? std::nullopt : std::optional(Real(column)); }
  std::string Text(int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text == nullptr ? std::string() : std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement_, column)));
  }

 private:
  sqlite3_stmt* statement_ = nullptr;
  int code_ = SQLITE_OK;
};

std::string Failure(sqlite3* db) {
  const int code = sqlite3_errcode(db);
  if (code == SQLITE_NOTADB) {
    return "not a sievebench archive (not a database)";
  }
  if (code == SQLITE_CORRUPT) {
    return std::string("the archive is corrupt: ") + sqlite3_errmsg(db);
  }
  return std::string("database: ") + sqlite3_errmsg(db);
}

std::string Execute(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK ? "" : Failure(db);
}

// A transaction that rolls back unless committed.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) { begun_ = Execute(db, "BEGIN IMMEDIATE").empty(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction() {
    if (begun_ && !committed_) {
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);  // nothing else to do if it fails
    }
  }
  bool Begun() const { return begun_; }
  std::string Commit() {
    std::string problem = Execute(db_, "COMMIT");
    committed_ = problem.empty();
    return problem;
  }

 private:
  sqlite3* db_;
  bool begun_ = false;
  bool committed_ = false;
};

// A sweep's levels per limit and phase, of its first variant's runs (the
// baseline of a sweep with variants, whose conditions the file records).
std::string InsertLevels(sqlite3* db, int64_t sweep, const SweepResult& result) {
  const std::string variant = result.Variants.empty() ? "" : result.Variants.front().Name;
  std::vector<uint32_t> limits;
  for (const RunRecord& run : result.Runs) {
    if (std::find(limits.begin(), limits.end(), run.Limit) == limits.end()) {
      limits.push_back(run.Limit);
    }
  }
  Statement insert(db, "INSERT INTO levels VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
  const double resolution = TimerResolution(result.Conditions);
  for (const uint32_t limit : limits) {
    for (const TimedPhase phase : AllPhases) {
      const std::vector<double> times = TimesInOrder(result, variant, limit, phase);
      if (times.empty()) {
        continue;
      }
      const SeriesPoint level = LevelOf(times, resolution);
      insert.Bind(1, sweep);
      insert.Bind(2, static_cast<int64_t>(limit));
      insert.Bind(3, static_cast<int64_t>(phase));
      insert.Bind(4, static_cast<int64_t>(level.Runs));
      insert.Bind(5, level.MedianMs);
      insert.BindOptional(6, level.MedianIntervalMs ? std::optional(level.MedianIntervalMs->Low) : std::nullopt);
      insert.BindOptional(7, level.MedianIntervalMs ? std::optional(level.MedianIntervalMs->High) : std::nullopt);
      insert.BindOptional(8, level.HalvesLogShift);
      insert.Bind(9, resolution);
      if (!insert.Done()) {
        return Failure(db);
      }
    }
  }
  return "";
}

std::string InsertRuns(sqlite3* db, int64_t sweep, const std::vector<RunRecord>& runs) {
  Statement insert(db, "INSERT INTO runs VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  for (size_t position = 0; position < runs.size(); ++position) {
    const RunRecord& run = runs[position];
    insert.Bind(1, sweep);
    insert.Bind(2, static_cast<int64_t>(position));
    insert.Bind(3, static_cast<int64_t>(run.Limit));
    insert.Bind(4, static_cast<int64_t>(run.Run));
    insert.Bind(5, static_cast<int64_t>(run.Warmup));
    insert.Bind(6, static_cast<int64_t>(run.Round));
    insert.Bind(7, static_cast<int64_t>(run.Sequence));
    insert.Bind(8, run.Variant);
    insert.Bind(9, static_cast<int64_t>(run.Parsed));
    int column = 10;
    for (const TimedPhase phase : AllPhases) {
      insert.BindOptional(column++, run.Parsed ? std::optional<int64_t>(PhaseMs(run.Values, phase)) : std::nullopt);
    }
    insert.BindOptional(14, run.Parsed ? std::optional<int64_t>(run.Values.Primes) : std::nullopt);
    insert.BindOptional(15, run.Parsed ? std::optional<int64_t>(run.Values.LoopCounter) : std::nullopt);
    insert.Bind(16, static_cast<int64_t>(run.Valid));
    insert.Bind(17, static_cast<int64_t>(run.Outlier));
    insert.Bind(18, run.Problems);
    if (!insert.Done()) {
      return Failure(db);
    }
  }
  return "";
}

// What the archive keeps of a file besides its runs: all of it but the runs
// and the summaries, which are made again from the runs.
std::string HeaderOf(const SweepResult& result) {
  SweepResult header = result;
  header.Runs.clear();
  header.Summaries.clear();
  return ResultFileText(header);
}

// A stored number that must fit 32 bits unsigned; a damaged archive's
// other values read as 0 rather than wrap.
uint32_t Stored32(int64_t value) {
  return value < 0 || value > 0xFFFFFFFF ? 0 : static_cast<uint32_t>(value);
}

std::string ReadRuns(sqlite3* db, int64_t sweep, std::vector<RunRecord>& runs) {
  Statement select(db, "SELECT lim, run, warmup, round, sequence, variant, parsed, init_ms, sieve_ms, count_ms, "
                       "total_ms, primes, loop_counter, valid, outlier, problems FROM runs WHERE sweep = ? "
                       "ORDER BY position");
  select.Bind(1, sweep);
  int code = SQLITE_ROW;
  while ((code = select.Step()) == SQLITE_ROW) {
    RunRecord run;
    run.Limit = Stored32(select.Integer(0));
    run.Run = Stored32(select.Integer(1));
    run.Warmup = select.Integer(2) != 0;
    run.Round = Stored32(select.Integer(3));
    run.Sequence = Stored32(select.Integer(4));
    run.Variant = select.Text(5);
    run.Parsed = select.Integer(6) != 0;
    if (run.Parsed) {
      run.Values.Limit = run.Limit;
      int column = 7;
      for (const TimedPhase phase : AllPhases) {
        PhaseMs(run.Values, phase) = Stored32(select.Integer(column++));
      }
      run.Values.Primes = Stored32(select.Integer(11));
      run.Values.LoopCounter = Stored32(select.Integer(12));
    }
    run.Valid = run.Parsed && select.Integer(13) != 0;
    run.Outlier = select.Integer(14) != 0;
    run.Problems = select.Text(15);
    runs.push_back(std::move(run));
  }
  return code == SQLITE_DONE ? "" : Failure(db);
}

// Version 1 to 2: the levels of every sweep archived, from its runs.
std::string AddLevels(sqlite3* db) {
  if (std::string problem = Execute(db, SecondSchema); !problem.empty()) {
    return problem;
  }
  Statement sweeps(db, "SELECT id, header FROM sweeps");
  int code = SQLITE_ROW;
  while ((code = sweeps.Step()) == SQLITE_ROW) {
    SweepResult result;
    if (const std::string problem = ReadResultText(sweeps.Text(1), result); !problem.empty()) {
      return "the archive is corrupt: sweep " + std::to_string(sweeps.Integer(0)) + ": " + problem;
    }
    if (std::string problem = ReadRuns(db, sweeps.Integer(0), result.Runs); !problem.empty()) {
      return problem;
    }
    if (std::string problem = InsertLevels(db, sweeps.Integer(0), result); !problem.empty()) {
      return problem;
    }
  }
  return code == SQLITE_DONE ? "" : Failure(db);
}

}  // namespace

Archive::~Archive() {
  sqlite3_close(db_);
}

int Archive::UserVersion() {
  Statement version(db_, "PRAGMA user_version");
  return version.Step() == SQLITE_ROW ? static_cast<int>(version.Integer(0)) : -1;
}

std::string Archive::Open(const std::string& path, OpenMode mode) {
  const int flags = SQLITE_OPEN_READWRITE | (mode == OpenMode::CreateIfMissing ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    return db_ == nullptr ? "cannot open it" : "cannot open it: " + std::string(sqlite3_errmsg(db_));
  }
  sqlite3_busy_timeout(db_, 60000);
  sqlite3_extended_result_codes(db_, 0);
  // The first read of the file tells a database from anything else.
  int64_t application = 0;
  {
    Statement identity(db_, "PRAGMA application_id");
    if (identity.Step() != SQLITE_ROW) {
      return Failure(db_);
    }
    application = identity.Integer(0);
  }  // finished, so no read is open when the journal mode changes
  if (application != ArchiveApplicationId && application != 0) {
    return "not a sievebench archive (another program's database)";
  }
  if (std::string problem = Execute(db_, "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL; "
                                               "PRAGMA foreign_keys = ON");
      !problem.empty()) {
    return problem;
  }
  return Migrate();
}

// Up to date: nothing is written, and a reader never waits for a writer.
// Otherwise the version is read again inside the transaction, where no
// other import can be migrating the same file.
std::string Archive::Migrate() {
  if (UserVersion() == SchemaVersion) {
    return "";
  }
  Transaction transaction(db_);
  if (!transaction.Begun()) {
    return Failure(db_);
  }
  const int version = UserVersion();
  if (version < 0) {
    return Failure(db_);
  }
  if (version > SchemaVersion) {
    return "the archive's schema is version " + std::to_string(version) + ", newer than this program's " +
           std::to_string(SchemaVersion) + ": use a newer sievebench-archive";
  }
  if (version == SchemaVersion) {
    return "";
  }
  if (version == 0) {
    Statement tables(db_, "SELECT count(*) FROM sqlite_schema");
    if (tables.Step() != SQLITE_ROW) {
      return Failure(db_);
    }
    if (tables.Integer(0) != 0) {
      return "not a sievebench archive (a database of other tables)";
    }
    const std::string stamp = "PRAGMA application_id = " + std::to_string(ArchiveApplicationId);
    if (std::string problem = Execute(db_, stamp.c_str()); !problem.empty()) {
      return problem;
    }
    if (std::string problem = Execute(db_, FirstSchema); !problem.empty()) {
      return problem;
    }
  }
  if (std::string problem = AddLevels(db_); !problem.empty()) {
    return problem;
  }
  return transaction.Commit();
}

std::string Archive::Holds(const std::string& sha256, bool& held) {
  Statement select(db_, "SELECT 1 FROM sweeps WHERE sha256 = ?");
  select.Bind(1, sha256);
  const int code = select.Step();
  held = code == SQLITE_ROW;
  return code == SQLITE_ROW || code == SQLITE_DONE ? "" : Failure(db_);
}

namespace {

std::string MachineId(sqlite3* db, const SweepResult& result, int64_t& id) {
  Statement insert(db, "INSERT OR IGNORE INTO machines(label, cpu, cores, arch) VALUES (?, ?, ?, ?)");
  Statement select(db, "SELECT id FROM machines WHERE label = ? AND cpu = ? AND cores = ? AND arch = ?");
  for (Statement* statement : {&insert, &select}) {
    statement->Bind(1, result.Label);
    statement->Bind(2, result.Host.Cpu);
    statement->Bind(3, static_cast<int64_t>(result.Host.Cores));
    statement->Bind(4, result.Host.Arch);
  }
  if (insert.Step() != SQLITE_DONE || select.Step() != SQLITE_ROW) {
    return Failure(db);
  }
  id = select.Integer(0);
  return "";
}

// The sweep of this machine at this date already archived, if any, and whether it is complete.
std::string EarlierSweep(sqlite3* db, int64_t machine, const std::string& date, std::optional<int64_t>& id,
                         bool& complete) {
  Statement select(db, "SELECT id, complete FROM sweeps WHERE machine = ? AND date = ?");
  select.Bind(1, machine);
  select.Bind(2, date);
  const int code = select.Step();
  if (code == SQLITE_ROW) {
    id = select.Integer(0);
    complete = select.Integer(1) != 0;
  }
  return code == SQLITE_ROW || code == SQLITE_DONE ? "" : Failure(db);
}

}  // namespace

std::string Archive::Add(const SweepResult& result, const std::string& sha256, Imported& outcome) {
  Transaction transaction(db_);
  if (!transaction.Begun()) {
    return Failure(db_);
  }
  // Another import may have taken this file while this one waited.
  bool held = false;
  if (std::string problem = Holds(sha256, held); !problem.empty() || held) {
    outcome = Imported::AlreadyThere;
    return problem;
  }
  int64_t machine = 0;
  if (std::string problem = MachineId(db_, result, machine); !problem.empty()) {
    return problem;
  }
  std::optional<int64_t> earlier;
  bool earlierComplete = false;
  if (std::string problem = EarlierSweep(db_, machine, result.Date, earlier, earlierComplete); !problem.empty()) {
    return problem;
  }
  outcome = Imported::Added;
  if (earlier) {
    // A checkpoint gives way to the sweep it became; a whole sweep stays.
    if (earlierComplete) {
      outcome = Imported::Superseded;
      return "";
    }
    Statement remove(db_, "DELETE FROM sweeps WHERE id = ?");
    remove.Bind(1, *earlier);
    if (remove.Step() != SQLITE_DONE) {
      return Failure(db_);
    }
    outcome = Imported::Completed;
  }
  Statement insert(db_, "INSERT INTO sweeps(machine, sha256, date, complete, header) VALUES (?, ?, ?, ?, ?)");
  insert.Bind(1, machine);
  insert.Bind(2, sha256);
  insert.Bind(3, result.Date);
  insert.Bind(4, static_cast<int64_t>(result.Complete));
  insert.Bind(5, HeaderOf(result));
  if (insert.Step() != SQLITE_DONE) {
    return Failure(db_);
  }
  const int64_t sweep = sqlite3_last_insert_rowid(db_);
  if (std::string problem = InsertRuns(db_, sweep, result.Runs); !problem.empty()) {
    return problem;
  }
  if (std::string problem = InsertLevels(db_, sweep, result); !problem.empty()) {
    return problem;
  }
  return transaction.Commit();
}

std::string Archive::Machines(std::vector<MachineEntry>& machines) {
  Statement select(db_, "SELECT m.label, m.cpu, m.cores, m.arch, count(s.id), min(s.date), max(s.date) "
                        "FROM machines m JOIN sweeps s ON s.machine = m.id GROUP BY m.id ORDER BY m.label, m.id");
  int code = SQLITE_ROW;
  while ((code = select.Step()) == SQLITE_ROW) {
    machines.push_back({{select.Text(0), select.Text(1), Stored32(select.Integer(2)), select.Text(3)},
                        static_cast<size_t>(std::max<int64_t>(0, select.Integer(4))),
                        select.Text(5),
                        select.Text(6)});
  }
  return code == SQLITE_DONE ? "" : Failure(db_);
}

namespace {

// Every machine with sweeps, and each one's sweeps in date order: the facts
// of the machines the query names, the dates alone of the others.
std::string ReadSweeps(sqlite3* db, const HistoryQuery& query, std::vector<ArchivedMachine>& machines,
                       std::vector<std::vector<ArchivedSweep>>& sweeps, std::map<int64_t, std::pair<size_t, size_t>>& where) {
  Statement select(db, "SELECT m.id, m.label, m.cpu, m.cores, m.arch, s.id, s.date, s.complete, s.header "
                       "FROM sweeps s JOIN machines m ON s.machine = m.id ORDER BY m.label, m.id, s.date, s.id");
  std::map<int64_t, size_t> machineIndex;
  int code = SQLITE_ROW;
  while ((code = select.Step()) == SQLITE_ROW) {
    const int64_t machine = select.Integer(0);
    const auto [known, added] = machineIndex.try_emplace(machine, machines.size());
    if (added) {
      machines.push_back({select.Text(1), select.Text(2), Stored32(select.Integer(3)), select.Text(4)});
      sweeps.emplace_back();
    }
    const size_t index = known->second;
    ArchivedSweep sweep;
    sweep.Date = select.Text(6);
    sweep.Complete = select.Integer(7) != 0;
    if (!query.Label || *query.Label == machines[index].Label) {
      SweepResult header;
      if (const std::string problem = ReadResultText(select.Text(8), header); !problem.empty()) {
        return "the archive is corrupt: sweep " + std::to_string(select.Integer(5)) + ": " + problem;
      }
      sweep.Host = header.Host;
      sweep.Conditions = header.Conditions;
      sweep.ProgramSha256 = header.Program.Sha256;
    }
    where[select.Integer(5)] = {index, sweeps[index].size()};
    sweeps[index].push_back(std::move(sweep));
  }
  return code == SQLITE_DONE ? "" : Failure(db);
}

bool Wanted(const HistoryQuery& query, const std::string& label, uint32_t limit, TimedPhase phase) {
  const bool named = (!query.Label || *query.Label == label) && (!query.Phase || *query.Phase == phase);
  return (!query.Limit || *query.Limit == limit) && (named || phase == TimedPhase::Total);
}

// One stored level, with the series and the place in its machine's sweeps it belongs to.
struct StoredLevel {
  size_t Machine = 0;
  uint32_t Limit = 0;
  TimedPhase Phase = TimedPhase::Total;
  size_t Place = 0;
  SeriesPoint Point;

  auto Key() const { return std::tie(Machine, Limit, Phase, Place); }
};

SeriesPoint PointOf(Statement& select) {
  SeriesPoint point;
  point.Runs = static_cast<size_t>(std::max<int64_t>(0, select.Integer(3)));
  point.MedianMs = std::max(0.0, select.Real(4));
  if (!select.IsNull(5) && !select.IsNull(6)) {
    point.MedianIntervalMs = Interval{select.Real(5), select.Real(6)};
  }
  point.HalvesLogShift = select.OptionalReal(7);
  point.ResolutionMs = select.Real(8) > 0 ? select.Real(8) : 1;
  return point;
}

}  // namespace

std::string Archive::HistoryInputs(const HistoryQuery& query, std::vector<ArchivedMachine>& machines,
                                   std::vector<std::vector<ArchivedSweep>>& sweeps, std::vector<SeriesInput>& series) {
  std::map<int64_t, std::pair<size_t, size_t>> where;  // sweep id: (machine, place in its sweeps)
  if (std::string problem = ReadSweeps(db_, query, machines, sweeps, where); !problem.empty()) {
    return problem;
  }
  Statement select(db_, "SELECT sweep, lim, phase, runs, median_ms, ci_low_ms, ci_high_ms, halves, resolution_ms "
                        "FROM levels");
  std::vector<StoredLevel> levels;
  int code = SQLITE_ROW;
  while ((code = select.Step()) == SQLITE_ROW) {
    const auto found = where.find(select.Integer(0));
    const int64_t phase = select.Integer(2);
    if (found == where.end() || phase < 0 || phase > static_cast<int64_t>(TimedPhase::Total)) {
      continue;  // a level of no sweep, or of no phase: nothing to show
    }
    const auto [machine, place] = found->second;
    const uint32_t limit = Stored32(select.Integer(1));
    if (Wanted(query, machines[machine].Label, limit, static_cast<TimedPhase>(phase))) {
      levels.push_back({machine, limit, static_cast<TimedPhase>(phase), place, PointOf(select)});
    }
  }
  if (code != SQLITE_DONE) {
    return Failure(db_);
  }
  // The levels come in storage order: by machine, limit and phase, then
  // each series by its sweeps' dates.
  std::sort(levels.begin(), levels.end(), [](const StoredLevel& a, const StoredLevel& b) { return a.Key() < b.Key(); });
  for (const StoredLevel& level : levels) {
    if (series.empty() || series.back().Machine != level.Machine || series.back().Limit != level.Limit ||
        series.back().Phase != level.Phase) {
      series.push_back({level.Machine, level.Limit, level.Phase, {}, {}});
    }
    series.back().Sweeps.push_back(level.Place);
    series.back().Points.push_back(level.Point);
  }
  return "";
}

std::string Archive::Export(const std::string& label, const std::string& date, SweepResult& result) {
  Statement select(db_, "SELECT s.id, s.header FROM sweeps s JOIN machines m ON s.machine = m.id "
                        "WHERE m.label = ? AND (s.date = ? OR substr(s.date, 1, 10) = ?)");
  select.Bind(1, label);
  select.Bind(2, date);
  select.Bind(3, date);
  int code = select.Step();
  if (code == SQLITE_DONE) {
    return "no sweep of a machine labelled '" + label + "' at " + date;
  }
  if (code != SQLITE_ROW) {
    return Failure(db_);
  }
  const int64_t sweep = select.Integer(0);
  const std::string header = select.Text(1);
  code = select.Step();
  if (code == SQLITE_ROW) {
    return "more than one sweep of a machine labelled '" + label + "' at " + date + ": give the whole date";
  }
  if (code != SQLITE_DONE) {
    return Failure(db_);
  }
  if (const std::string problem = ReadResultText(header, result); !problem.empty()) {
    return "the archive is corrupt: sweep " + std::to_string(sweep) + ": " + problem;
  }
  return ReadRuns(db_, sweep, result.Runs);
}
