// SPDX-License-Identifier: MIT
// The companions' only door to the operating system: running a program,
// stopping on a user's or a lost connection's request, replacing a file
// durably, and describing the machine and the conditions of its runs. Every
// other file of the companions is portable C++; this header has one
// implementation per system: system_posix.cpp and system_windows.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "results/model.h"

// --- running a program -------------------------------------------------------

struct ProcessRequest {
  std::string Program;                 // a path to the program
  std::vector<std::string> Arguments;  // after the program's name
  std::string WorkDir;                 // where it runs; empty: here
  std::string Input;                   // its whole standard input
  double TimeoutSeconds = 0;           // after this it is killed; 0: never
  std::optional<unsigned> Cpu;         // the one CPU it may run on
  bool ErrorsApart = false;            // its standard error is this process's, not part of Output
};

struct ProcessOutcome {
  std::string Output;      // standard output and standard error (unless apart), as printed
  std::string StartError;  // why it could not be started; empty when it was
  bool InputSent = false;  // all of the input reached it
  bool TimedOut = false;   // killed at the time-out
  bool Stopped = false;    // killed because a stop was requested (below)
  int ExitCode = -1;       // -1 when it did not exit by itself
  int Signal = 0;          // the signal that ended it (POSIX only)
};

// "signal 9 (Killed)": what ended a program, for a message.
std::string SignalDescription(int signal);

// Runs the program to its end, its time-out or a stop request, and always
// reaps it. It dies with this process, even when this process is killed.
ProcessOutcome RunProcess(const ProcessRequest& request);

// --- stop requests ---------------------------------------------------------------
// An interrupt, a termination request or a lost terminal (SIGINT, SIGTERM,
// SIGHUP; on Windows Ctrl+C, Ctrl+Break and closing the console) does not end
// the process: it is recorded, the running program is killed, and the caller
// saves its work and ends with StopStatus().

void WatchForStopRequests();
// An output that can no longer be written (its reader, a terminal or an ssh
// connection, has gone) is a stop request too: without a terminal, a dropped
// connection sends no signal. It counts as SIGPIPE.
void StopForLostOutput();
bool StopRequested();
// The exit status that reports the stop: 128 + the signal number on POSIX.
int StopStatus();
// The request's name for a message: "SIGINT", "Ctrl+C", ...
std::string StopName();
// Tells the system that the stop has been handled and the process may end
// (on Windows, a closing console waits for it).
void StopHandled();

// --- files and the console -------------------------------------------------------

// Writes `text` to a new file beside `path`, flushes it to the disk, and
// renames it over `path`, so `path` always holds either its old or its new
// text whole. Returns an error message, or "".
std::string ReplaceFileDurably(const std::string& path, const std::string& text);
bool IsExecutable(const std::string& path);
// The path of `name` in the folder of this program; `name` itself when that
// folder cannot be known.
std::string ProgramBesideSelf(const std::string& name);
// The full path of a program found on the PATH, or none.
std::optional<std::string> FindOnPath(const std::string& name);
bool StandardErrorIsTerminal();
// Makes the console show UTF-8 ("±", "–") as it is.
void PrepareConsole();
std::string HostName();

// --- the machine and its conditions ----------------------------------------------

Machine DescribeMachine();
// The priority the benchmark raises itself to when it may ("nice -14";
// Windows: "high").
extern const char RaisedPriority[];
// The conditions of runs in `runFolder`, pinned to `cpu` when given; the
// load average at the end is left for the caller to read after the runs.
RunConditions DescribeConditions(const std::string& runFolder, std::optional<unsigned> cpu);
// The one-minute load average, or none.
std::optional<double> LoadAverage();
// The size of the machine's ordinary memory page, in bytes.
uint64_t PageBytes();
// The memory a new program can have without pushing others out, or none.
std::optional<uint64_t> AvailableMemory();
// Why the benchmark cannot be pinned to `cpu`, or "".
std::string CpuProblem(unsigned cpu);
