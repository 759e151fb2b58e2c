// SPDX-License-Identifier: MIT
// Console traffic: standard output written byte for byte, and standard input
// read a byte at a time from a terminal in line mode, a pipe or a file. The
// terminal handling is the short section in SetLineInputMode; nothing else
// touches termios.
#include <cerrno>
#include <termios.h>
#include <unistd.h>

#include "platform/fault_injection.h"
#include "platform/platform.h"

uint32_t WriteStandardOutput(const char* bytes, uint32_t count) {
  uint32_t written = 0;
  while (written < count) {
    if (FaultInjected(FaultConsoleWrite)) {
      return written;
    }
    const ssize_t result = write(STDOUT_FILENO, bytes + written, count - written);
    if (result < 0 && errno == EINTR) {
      continue;
    }
    if (result <= 0) {
      return written;  // a closed or failing output: the run carries on unheard
    }
    written += static_cast<uint32_t>(result);
  }
  return written;
}

// --- terminal mode -----------------------------------------------------------
// Canonical line input with echo (erase and kill echoed too), Ctrl+C and the
// other signal keys, and CR mapped to NL so Enter ends the line even when the
// terminal was left raw. The previous mode is not saved or restored.
void SetLineInputMode() {
  termios mode{};
  if (tcgetattr(STDIN_FILENO, &mode) != 0) {
    return;  // not a terminal (a pipe or a file): it is read all the same
  }
  mode.c_lflag |= ICANON | ECHO | ECHOE | ECHOK | ISIG;
  mode.c_iflag |= ICRNL;
  mode.c_iflag &= ~static_cast<tcflag_t>(INLCR | IGNCR);
  // A failure leaves the terminal as it was; the line is still read.
  (void)tcsetattr(STDIN_FILENO, TCSANOW, &mode);
}
// -----------------------------------------------------------------------------

bool ReadStandardInputByte(char* byte) {
  for (;;) {
    if (FaultInjected(FaultConsoleRead)) {
      return false;
    }
    const ssize_t result = read(STDIN_FILENO, byte, 1);
    if (result < 0 && errno == EINTR) {
      continue;
    }
    return result == 1;
  }
}
