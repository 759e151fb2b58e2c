// SPDX-License-Identifier: MIT
// The primes file: created anew in the current directory, kept to one run at
// a time, written record by record with one system call each, and closed with
// its result checked.
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/fault_injection.h"
#include "platform/platform.h"

FileHandle CreatePrimesFile() {
  if (FaultInjected(FaultFileCreate)) {
    return NoFileHandle;
  }
  // Permissions are 0666 less the umask, as for any file a Unix tool creates.
  // No O_TRUNC: the file may belong to a run that is still writing it.
  const int handle = open("primes.txt", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (handle < 0) {
    return NoFileHandle;
  }
  // One writer at a time, as a file opened without sharing. The lock is never
  // waited for, since the phase is timed; where the file system has no locks
  // (ENOLCK) the run goes on without one.
  if (flock(handle, LOCK_EX | LOCK_NB) != 0 && errno != ENOLCK) {
    // Only our own descriptor is closed; the other run's file is untouched.
    (void)close(handle);
    return NoFileHandle;
  }
  // A device in the file's place (a link to /dev/full) cannot be cut, which
  // changes nothing for the writes, so the result is ignored on purpose.
  (void)ftruncate(handle, 0);
  return handle;
}

// A short write is continued; when the disk is full the continuation fails
// and the record counts as not written.
bool WriteToFile(FileHandle handle, const char* bytes, uint32_t count) {
  if (handle == NoFileHandle) {
    return false;
  }
  uint32_t written = 0;
  while (written < count) {
    if (FaultInjected(FaultRecordWrite)) {
      return false;
    }
    uint32_t asked = count - written;
    const bool shortWrite = FaultInjected(FaultShortRecordWrite);
    if (shortWrite) {
      asked /= 2;  // half the record reaches the file, then the disk is "full"
    }
    const ssize_t result = write(static_cast<int>(handle), bytes + written, asked);
    if (result < 0 && errno == EINTR) {
      continue;
    }
    if (result <= 0 || shortWrite) {
      return false;
    }
    written += static_cast<uint32_t>(result);
  }
  return true;
}

bool CloseFile(FileHandle handle) {
  if (handle == NoFileHandle) {
    return true;  // nothing was opened, so there is nothing to close
  }
  const bool closed = close(static_cast<int>(handle)) == 0;
  return closed && !FaultInjected(FaultFileClose);
}
