// The only door to the operating system. Everything outside platform/ is
// arithmetic on bytes; each operation here gives the run one effect it relies
// on (console, primes file, sieve memory, tick counter, priority, exit), with
// one source file per concern behind it.
#pragma once

#include <cstdint>

// Standard output and input.
// Writes all `count` bytes to descriptor 1, unchanged, and returns how many
// were written (fewer only when the descriptor fails).
uint32_t WriteStandardOutput(const char* bytes, uint32_t count);
// Puts a terminal on descriptor 0 into line input with echo and signal keys.
// Anything that is not a terminal is left alone; a failure is ignored on purpose.
void SetLineInputMode();
// Reads one line from descriptor 0 as a console in line mode delivers it:
// never past the line feed, ending in CR LF when the line had an end, at most
// `maximum` bytes. The unread rest of an over-long line is thrown away.
uint32_t ReadStandardInputLine(char* buffer, uint32_t maximum);

// The primes file. The handle is a descriptor, or NoFileHandle when the file
// could not be created.
constexpr int NoFileHandle = -1;
int CreatePrimesFile();
// True when all `count` bytes were written.
bool WriteToFile(int handle, const char* bytes, uint32_t count);
// True when the file was closed without error.
bool CloseFile(int handle);

// Sieve memory: `size` bytes with undefined contents, or nullptr.
unsigned char* ReserveBlock(uint32_t size);
// Returns nullptr on success, the block itself when it could not be released.
unsigned char* ReleaseBlock(unsigned char* block, uint32_t size);

// Milliseconds since an arbitrary start, wrapping modulo 2^32.
uint32_t ReadTickCount();

// Raises the process priority when allowed; otherwise nothing changes.
void RaiseProcessPriority();

// Makes a vanished reader of standard output harmless to the run.
void PrepareProcess();
// Ends the process with exit status 0.
[[noreturn]] void EndProcess();
