// SPDX-License-Identifier: MIT
// The benchmark driver: the road of one run, read top to bottom. It owns the
// report's texts apart from the count phase's, and every console line of it.
#include "sieve/driver.h"

#include "platform/platform.h"
#include "sieve/prime_count.h"
#include "sieve/run_state.h"
#include "sieve/sieve_array.h"
#include "text/text.h"

SIEVEBENCH_TEXT(PromptText, "\r\nSieve of Eratosthenes - find primes up to: ");
SIEVEBENCH_TEXT(NoMemoryText, "Not enough memory!");
SIEVEBENCH_TEXT(LineEndText, "\r\n");
SIEVEBENCH_TEXT(LookingText, "Looking for primes from 1 to ");
SIEVEBENCH_TEXT(PleaseWaitText, " - please wait...");
SIEVEBENCH_TEXT(BlankLineText, "\r\n\r\n");
SIEVEBENCH_TEXT(InitTimeText, " ms to initialize array\r\n");
SIEVEBENCH_TEXT(SieveTimeText, " ms to sieve the primes\r\n");
SIEVEBENCH_TEXT(LoopCounterText, " loop-counter\r\n");
SIEVEBENCH_TEXT(ReleaseErrorText, " - ERROR GlobalFree");

constexpr uint32_t DefaultLimit = 500000;
constexpr uint32_t LargestLimit = 2147483647;  // the array may hold at most 2^31 bytes
constexpr uint32_t InputMaximum = 128;

// At least two zero bytes always follow the bytes read.
static char InputBuffer[InputMaximum + 2];
static char LimitDigits[DecimalBufferSize];
static char InitTimeDigits[DecimalBufferSize];
static char SieveTimeDigits[DecimalBufferSize];
static char LoopCounterDigits[DecimalBufferSize];
static char ReleaseValueDigits[HexBufferSize];

static uint32_t AskForLimit() {
  PrintText(PromptText);
  const uint32_t count = ReadInput(InputBuffer, InputMaximum);
  CutAtReturn(InputBuffer, count);
  const uint32_t limit = DecimalToValue(InputBuffer);
  return limit == 0 ? DefaultLimit : limit;
}

static void ReserveArrayOrEnd(uint32_t limit) {
  RunState.ArraySize = limit + 1;
  RunState.SieveArray = limit > LargestLimit ? nullptr : ReserveBlock(RunState.ArraySize);
  if (RunState.SieveArray == nullptr) {
    PrintText(NoMemoryText);
    EndProcess();
  }
}

static void AnnounceRun(uint32_t limit) {
  PrintText(LineEndText);
  PrintText(LookingText);
  PrintDecimal(limit, LimitDigits);
  PrintText(PleaseWaitText);
  PrintText(BlankLineText);
}

// The two phases that start on a tick edge; nothing is printed while they run.
static void TimeFillAndMarking() {
  RunState.InitTime = WaitForTickEdge();
  InitializeArray();
  RunState.InitTime = ReadTickCount() - RunState.InitTime;
  PrintDecimal(RunState.InitTime, InitTimeDigits);
  PrintText(InitTimeText);

  RunState.SieveTime = WaitForTickEdge();
  MarkComposites();
  RunState.SieveTime = ReadTickCount() - RunState.SieveTime;
  PrintDecimal(RunState.SieveTime, SieveTimeDigits);
  PrintText(SieveTimeText);
}

static void ReleaseArray() {
  unsigned char* const failed = ReleaseBlock(RunState.SieveArray, RunState.ArraySize);
  if (failed != nullptr) {
    PrintText(LineEndText);
    // The block's address stands for the handle; its low 32 bits are shown.
    ValueToHex(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(failed)), ReleaseValueDigits);
    PrintText(ReleaseValueDigits);
    PrintText(ReleaseErrorText);
  }
}

uint32_t WaitForTickEdge() {
  const uint32_t first = ReadTickCount();
  uint32_t now = first;
  while (now == first) {
    now = ReadTickCount();
  }
  return now;
}

void RunSieveBenchmark() {
  PrepareProcess();
  const uint32_t limit = AskForLimit();
  ReserveArrayOrEnd(limit);
  AnnounceRun(limit);
  RaiseProcessPriority();
  TimeFillAndMarking();

  RunState.CountTime = ReadTickCount();  // no wait for a tick edge here
  CountAndStorePrimes(RunState.SieveArray);

  PrintText(LineEndText);
  PrintDecimal(RunState.LoopCounter, LoopCounterDigits);
  PrintText(LoopCounterText);
  ReleaseArray();
  EndProcess();
}
