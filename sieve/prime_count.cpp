// SPDX-License-Identifier: MIT
// The count phase and the primes file. Every odd prime is handed to the
// platform's write in a call of its own: the cost of those calls is part of
// what the phase measures.
#include "sieve/prime_count.h"

#include <cstring>

#include "platform/platform.h"
#include "sieve/run_state.h"
#include "text/text.h"

SIEVEBENCH_TEXT(CloseErrorText, " Error: CloseHandle,hFile");
SIEVEBENCH_TEXT(WriteErrorText, " Error: WriteFile,hFile");
SIEVEBENCH_TEXT(ErrorLineEndText, "\r\n");
SIEVEBENCH_TEXT(CountTimeText, " ms to count the primes\r\n\r\n");
SIEVEBENCH_TEXT(TotalTimeText, " ms total time.");
SIEVEBENCH_TEXT(TotalLineEndText, "\r\n\r\n");
SIEVEBENCH_TEXT(PrimesFoundText, "  Number of primes found between 1 and ");
SIEVEBENCH_TEXT(EqualsText, " = ");

// The digits of a prime, then zero bytes up to the record's size: a prime
// below 2^31 has at most ten digits, and the terminator needs one byte more.
static char RecordBuffer[PrimeRecordSize + 1];
static char CountTimeDigits[DecimalBufferSize];
static char TotalTimeDigits[DecimalBufferSize];
static char LimitDigits[DecimalBufferSize];
static char PrimesFoundDigits[DecimalBufferSize];

// Writes the odd primes and counts them; true when every record was written in full.
static bool ScanAndWritePrimes(const unsigned char* sieveArray, FileHandle file) {
  // Each record's digits are followed by zeros: primes only grow, so a
  // record never leaves digits of a longer one behind once the buffer is clear.
  std::memset(RecordBuffer, 0, sizeof RecordBuffer);
  const uint32_t size = RunState.ArraySize;
  uint32_t found = RunState.PrimesFound;
  bool allWritten = true;
  for (uint32_t candidate = 3; candidate < size; candidate += 2) {
    if (sieveArray[candidate] == 0) {
      ValueToDecimal(candidate, RecordBuffer);
      allWritten &= WriteToFile(file, RecordBuffer, PrimeRecordSize);
      ++found;
    }
  }
  RunState.PrimesFound = found;
  return allWritten;
}

void CountAndStorePrimes(const unsigned char* sieveArray) {
  RunState.PrimesFound = RunState.ArraySize > 2 ? 1u : 0u;  // 2, which the scan skips
  const FileHandle file = CreatePrimesFile();
  // A lost record must not pass for a complete file: one message for all of them.
  if (!ScanAndWritePrimes(sieveArray, file)) {
    PrintText(WriteErrorText);
    PrintText(ErrorLineEndText);
  }
  if (!CloseFile(file)) {
    PrintText(CloseErrorText);
    PrintText(ErrorLineEndText);
  }
  RunState.CountTime = ReadTickCount() - RunState.CountTime;

  PrintDecimal(RunState.CountTime, CountTimeDigits);
  PrintText(CountTimeText);
  PrintDecimal(RunState.InitTime + RunState.SieveTime + RunState.CountTime, TotalTimeDigits);
  PrintText(TotalTimeText);
  PrintText(TotalLineEndText);
  PrintText(PrimesFoundText);
  PrintDecimal(RunState.ArraySize - 1, LimitDigits);
  PrintText(EqualsText);
  PrintDecimal(RunState.PrimesFound, PrimesFoundDigits);
}
