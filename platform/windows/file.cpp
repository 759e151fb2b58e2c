// SPDX-License-Identifier: MIT
// The primes file on Windows: created anew with no sharing, so no other run
// can open it while this one writes, written record by record with one
// WriteFile each, and closed with its result checked.
#include "platform/platform.h"
#include "platform/windows/windows_api.h"

// The handle travels above this layer as an integer, so the file's owner
// needs no Windows header; this is the one place it turns back.
static HANDLE AsHandle(FileHandle handle) {
  return reinterpret_cast<HANDLE>(handle);  // NOLINT(performance-no-int-to-ptr)
}

FileHandle CreatePrimesFile() {
  // Read and write access, share mode 0, create always, normal attributes.
  // A failure (another run holds the file, a folder in its place) gives
  // INVALID_HANDLE_VALUE, which is NoFileHandle.
  HANDLE file = CreateFileA("primes.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return reinterpret_cast<FileHandle>(file);
}

// A short write is continued; a failure or a write of nothing counts as the
// record not written.
bool WriteToFile(FileHandle handle, const char* bytes, uint32_t count) {
  if (handle == NoFileHandle) {
    return false;
  }
  uint32_t written = 0;
  while (written < count) {
    DWORD done = 0;
    if (WriteFile(AsHandle(handle), bytes + written, count - written, &done, nullptr) == 0 || done == 0) {
      return false;
    }
    written += done;
  }
  return true;
}

bool CloseFile(FileHandle handle) {
  if (handle == NoFileHandle) {
    return true;  // never opened; closing it would close the process's own pseudo-handle
  }
  return CloseHandle(AsHandle(handle)) != 0;
}
