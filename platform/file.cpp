// The primes file: created anew in the current directory, written record by
// record with one system call each, and closed with its result checked.
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "platform/fault_injection.h"
#include "platform/platform.h"

int CreatePrimesFile() {
  if (FaultInjected(FaultFileCreate)) {
    return NoFileHandle;
  }
  // Permissions are 0666 less the umask, as for any file a Unix tool creates.
  const int handle = open("primes.txt", O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return handle < 0 ? NoFileHandle : handle;
}

// A short write is continued; when the disk is full the continuation fails
// and the record counts as not written.
bool WriteToFile(int handle, const char* bytes, uint32_t count) {
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
    const ssize_t result = write(handle, bytes + written, asked);
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

bool CloseFile(int handle) {
  if (handle == NoFileHandle) {
    return true;  // nothing was opened, so there is nothing to close
  }
  const bool closed = close(handle) == 0;
  return closed && !FaultInjected(FaultFileClose);
}
