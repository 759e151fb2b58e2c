// SPDX-License-Identifier: MIT
// The process's start and end: the standard descriptors are made safe to use,
// a reader of standard output that goes away must not kill the run (the
// primes file still gets written), and every path ends with exit status 0.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "platform/platform.h"

// A descriptor 0, 1 or 2 left closed by whoever started the run would be
// taken by the primes file, and the report would be written into it. Each
// open takes the lowest free descriptor, which is the closed one.
static void OpenClosedStandardDescriptors() {
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (fcntl(descriptor, F_GETFD) == -1 && errno == EBADF) {
      // If even /dev/null cannot be opened there is nothing better to do,
      // and the run goes on as it would have; ignored on purpose.
      (void)open("/dev/null", O_RDWR);
    }
  }
}

void PrepareProcess() {
  OpenClosedStandardDescriptors();
  // Writes to a closed pipe then fail with EPIPE, which the console write
  // treats like any other failed write.
  (void)signal(SIGPIPE, SIG_IGN);
}

void EndProcess() {
  std::exit(0);
}
