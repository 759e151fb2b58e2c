// SPDX-License-Identifier: MIT
// How close each timed phase comes to the machine's limit. Every benchmark
// runs beside a floor measured in the same process: the same work done the
// plainest way. The suite prints the ratio of their medians and the peak
// resident memory of a whole run against the array it needs. The fill in
// fresh processes, where page faults are paid, is page_check's.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/locals_twin.h"
#include "platform/platform.h"
#include "sieve/prime_count.h"
#include "sieve/run_state.h"
#include "sieve/sieve_array.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// --- the fill: the benchmark's reservation against fresh malloc pages ----------

void FillReserved(benchmark::State& state, int64_t limit) {
  const auto size = static_cast<uint32_t>(limit + 1);
  for (auto _ : state) {
    RunState.SieveArray = ReserveBlock(size);
    RunState.ArraySize = size;
    const Clock::time_point start = Clock::now();
    InitializeArray();
    state.SetIterationTime(SecondsSince(start));
    ReleaseBlock(RunState.SieveArray, size);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
}

void FillMallocFloor(benchmark::State& state, int64_t limit) {
  const auto size = static_cast<uint32_t>(limit + 1);
  for (auto _ : state) {
    RunState.SieveArray = static_cast<unsigned char*>(std::malloc(size));
    RunState.ArraySize = size;
    const Clock::time_point start = Clock::now();
    InitializeArray();
    state.SetIterationTime(SecondsSince(start));
    std::free(RunState.SieveArray);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
}

// --- the marking: as built, against the same walk on locals only ---------------

template <bool AsBuilt>
void Mark(benchmark::State& state, int64_t limit) {
  const auto size = static_cast<uint32_t>(limit + 1);
  RunState.SieveArray = ReserveBlock(size);
  RunState.ArraySize = size;
  uint32_t marks = 0;
  for (auto _ : state) {
    InitializeArray();  // untimed: every walk starts from the fresh pattern
    const Clock::time_point start = Clock::now();
    if (AsBuilt) {
      MarkComposites();
      marks = RunState.LoopCounter;
    } else {
      marks = MarkWithLocals(RunState.SieveArray, size);
    }
    state.SetIterationTime(SecondsSince(start));
    benchmark::DoNotOptimize(marks);
  }
  state.counters["marks/s"] =
      benchmark::Counter(static_cast<double>(marks) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  ReleaseBlock(RunState.SieveArray, size);
}

// --- the count phase: as built, against bare 10-byte writes --------------------

uint32_t OddPrimes(uint32_t limit) {
  return limit < 3 ? 0 : static_cast<uint32_t>(RunState.PrimesFound - 1);
}

// The phase prints its three lines; they go to /dev/null, not into the table.
void CountQuietly() {
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
  dup2(sink, STDOUT_FILENO);
  RunState.CountTime = ReadTickCount();
  CountAndStorePrimes(RunState.SieveArray);
  dup2(saved, STDOUT_FILENO);
  close(sink);
  close(saved);
}

void SieveForCount(uint32_t size) {
  RunState.SieveArray = ReserveBlock(size);
  RunState.ArraySize = size;
  InitializeArray();
  MarkComposites();
}

void CountAsBuilt(benchmark::State& state, int64_t limit) {
  const auto size = static_cast<uint32_t>(limit + 1);
  SieveForCount(size);
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    CountQuietly();
    state.SetIterationTime(SecondsSince(start));
  }
  state.counters["records/s"] = benchmark::Counter(
      static_cast<double>(OddPrimes(size - 1)) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
  ReleaseBlock(RunState.SieveArray, size);
  unlink("primes.txt");
}

void CountWriteFloor(benchmark::State& state, int64_t limit) {
  const auto size = static_cast<uint32_t>(limit + 1);
  SieveForCount(size);
  CountQuietly();  // learns how many records the limit has
  const uint32_t records = OddPrimes(size - 1);
  const char record[PrimeRecordSize] = {'1', '2', '3', '4', '5', '6', '7'};
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const int file = open("floor.txt", O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    for (uint32_t index = 0; index < records; ++index) {
      benchmark::DoNotOptimize(write(file, record, sizeof record));
    }
    close(file);
    state.SetIterationTime(SecondsSince(start));
  }
  state.counters["records/s"] = benchmark::Counter(
      static_cast<double>(records) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  ReleaseBlock(RunState.SieveArray, size);
  unlink("floor.txt");
  unlink("primes.txt");
}

// --- the table of ratios -----------------------------------------------------------

// Keeps the median real time of every benchmark, by name, as the console shows them.
class MedianCollector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.aggregate_name == "median") {
        Medians[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> Medians;
};

struct Pair {
  const char* Ours;
  const char* Floor;
  bool FloorOverOurs;  // a speed-up (floor / ours) rather than an overhead (ours / floor)
  const char* Target;
};

const Pair Pairs[] = {
    {"fill/reserve/1000000", "fill/malloc_floor/1000000", false, "<= 1.05x"},
    {"fill/reserve/100000000", "fill/malloc_floor/100000000", false, "<= 1.05x"},
    {"fill/reserve/1000000000", "fill/malloc_floor/1000000000", false, "<= 1.05x"},
    {"mark/as_built/1000000", "mark/locals_floor/1000000", false, "<= 1.05x"},
    {"mark/as_built/100000000", "mark/locals_floor/100000000", false, "<= 1.05x"},
    {"count/as_built/10000000", "count/write_floor/10000000", false, "<= 1.05x"},
};

void PrintRatios(const std::map<std::string, double>& medians) {
  std::printf("\n%-26s %12s %12s %8s  %s\n", "median time (ms)", "ours", "floor", "ratio", "target");
  for (const Pair& pair : Pairs) {
    const auto ours = medians.find(pair.Ours);
    const auto floor = medians.find(pair.Floor);
    if (ours == medians.end() || floor == medians.end()) {
      continue;  // filtered out of this run
    }
    const double ratio = pair.FloorOverOurs ? floor->second / ours->second : ours->second / floor->second;
    std::printf("%-26s %12.3f %12.3f %7.2fx  %s\n", pair.Ours, ours->second, floor->second, ratio,
                pair.Target);
  }
}

// A whole run of the program at N = 10^8, in a scratch folder: its peak
// resident memory against the array it must hold plus 4 MiB.
void PrintPeakMemory() {
  constexpr uint64_t Limit = 100000000;
  int input[2];
  if (pipe(input) != 0) {
    return;
  }
  const pid_t child = fork();
  if (child == 0) {
    dup2(input[0], STDIN_FILENO);
    const int sink = open("/dev/null", O_WRONLY);
    dup2(sink, STDOUT_FILENO);
    execl(SIEVEBENCH_PROGRAM, SIEVEBENCH_PROGRAM, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(input[0]);
  const std::string line = std::to_string(Limit) + "\n";
  benchmark::DoNotOptimize(write(input[1], line.data(), line.size()));
  close(input[1]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  unlink("primes.txt");
  const double peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  const double budgetMiB = static_cast<double>(Limit + 1) / (1024.0 * 1024.0) + 4.0;
  std::printf("\npeak resident memory of a run at N = 10^8: %.1f MiB; array + 4 MiB = %.1f MiB; ratio %.3f (target <= 1)\n",
              peakMiB, budgetMiB, peakMiB / budgetMiB);
}

struct Named {
  const char* Name;
  void (*Function)(benchmark::State&, int64_t);
};

benchmark::internal::Benchmark* Add(const Named& named, int64_t limit) {
  const std::string name = std::string(named.Name).append("/").append(std::to_string(limit));
  return benchmark::RegisterBenchmark(name.c_str(), named.Function, limit)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
}

void Register() {
  for (const int64_t limit : {1000000, 100000000, 1000000000}) {
    for (const Named& fill : {Named{"fill/reserve", FillReserved}, Named{"fill/malloc_floor", FillMallocFloor}}) {
      auto* bench = Add(fill, limit)->Repetitions(limit >= 1000000000 ? 5 : 7);
      if (limit >= 100000000) {
        bench->Iterations(limit >= 1000000000 ? 1 : 3);
      }
    }
  }
  for (const int64_t limit : {1000000, 100000000}) {
    for (const Named& mark : {Named{"mark/as_built", Mark<true>}, Named{"mark/locals_floor", Mark<false>}}) {
      Add(mark, limit)->Repetitions(7);
    }
  }
  for (const Named& count : {Named{"count/as_built", CountAsBuilt}, Named{"count/write_floor", CountWriteFloor}}) {
    Add(count, 10000000)->Iterations(1)->Repetitions(7);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Every floor allocation must be a fresh mapping of 4 KiB pages, not memory
  // that malloc keeps for reuse.
  mallopt(M_MMAP_THRESHOLD, 64 * 1024);
  Register();
  benchmark::Initialize(&argc, argv);
  MedianCollector reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter.Medians);
  PrintPeakMemory();
  benchmark::Shutdown();
}
