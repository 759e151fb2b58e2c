// Console traffic: standard output written byte for byte, and one typed line
// read the way a console in line mode hands it over. The terminal handling is
// the short section in SetLineInputMode; nothing else touches termios.
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

// One byte at a time, so nothing past the line feed is taken from a shared
// input; 0 at end of input or on an error.
static ssize_t ReadOneByte(char* byte) {
  for (;;) {
    if (FaultInjected(FaultConsoleRead)) {
      return -1;
    }
    const ssize_t result = read(STDIN_FILENO, byte, 1);
    if (result < 0 && errno == EINTR) {
      continue;
    }
    return result;
  }
}

// The unread rest of an over-long line would reach whoever reads the terminal
// next (a shell would run it), so it is consumed up to its line feed.
static void DiscardRestOfLine() {
  char byte = 0;
  while (ReadOneByte(&byte) == 1 && byte != '\n') {
  }
}

uint32_t ReadStandardInputLine(char* buffer, uint32_t maximum) {
  uint32_t count = 0;
  char byte = 0;
  while (count < maximum) {
    if (ReadOneByte(&byte) != 1) {
      return count;  // end of input or an error: the bytes so far are the line
    }
    if (byte == '\n') {
      if (count == 0 || buffer[count - 1] != '\r') {
        buffer[count++] = '\r';  // LF alone becomes CR LF, as a console ends lines
      }
      if (count < maximum) {
        buffer[count++] = '\n';
      }
      return count;
    }
    buffer[count++] = byte;
  }
  DiscardRestOfLine();
  return count;
}
