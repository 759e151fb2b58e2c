// SPDX-License-Identifier: MIT
// The only door to the operating system. Everything outside platform/ is
// arithmetic on bytes; each operation here gives the run one effect it relies
// on (console, primes file, sieve memory, tick counter, priority, exit), with
// one source file per concern behind it: platform/posix/ for Linux and the
// other Unix systems (Linux's page advice is used where the system has it,
// and left out elsewhere), platform/windows/ for Windows.
#pragma once

#include <cstdint>

// Standard output and input.
// Writes all `count` bytes to descriptor 1, unchanged, and returns how many
// were written (fewer only when the descriptor fails).
uint32_t WriteStandardOutput(const char* bytes, uint32_t count);
// Puts a console or terminal on standard input into line input with echo and
// the control keys handled by the system. Anything that is not a console is
// left alone; a failure is ignored on purpose.
void SetLineInputMode();
// Reads one byte from standard input; false at the end of the input or on an
// error. One byte at a time, so nothing past a line is taken from a shared input.
bool ReadStandardInputByte(char* byte);

// The primes file. The handle is a descriptor or a Windows handle, or
// NoFileHandle when the file could not be had (on Windows this is
// INVALID_HANDLE_VALUE, which is also the process's own pseudo-handle, so it
// is never written or closed).
using FileHandle = intptr_t;
constexpr FileHandle NoFileHandle = -1;
// Creates primes.txt in the current directory, or cuts an existing one to
// length 0, for this run alone: while another run holds it, NoFileHandle.
FileHandle CreatePrimesFile();
// True when all `count` bytes were written.
bool WriteToFile(FileHandle handle, const char* bytes, uint32_t count);
// True when the file was closed without error.
bool CloseFile(FileHandle handle);

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
