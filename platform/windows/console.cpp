// SPDX-License-Identifier: MIT
// Console traffic on Windows: standard output through WriteFile, byte for
// byte (no line-end translation), and standard input read a byte at a time
// with ReadFile from a console in mode 7 (processed input, line input, echo),
// a pipe or a file.
#include "platform/platform.h"
#include "platform/windows/windows_api.h"

uint32_t WriteStandardOutput(const char* bytes, uint32_t count) {
  // Fetched anew on every call, as the standard handles may be changed.
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  uint32_t written = 0;
  while (written < count) {
    DWORD done = 0;
    if (WriteFile(output, bytes + written, count - written, &done, nullptr) == 0 || done == 0) {
      return written;  // a closed or failing output: the run carries on unheard
    }
    written += done;
  }
  return written;
}

void SetLineInputMode() {
  // ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT. On a pipe
  // or a file this fails, and the input is read all the same: ignored on purpose.
  (void)SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), 7);
}

bool ReadStandardInputByte(char* byte) {
  DWORD got = 0;
  return ReadFile(GetStdHandle(STD_INPUT_HANDLE), byte, 1, &got, nullptr) != 0 && got == 1;
}
