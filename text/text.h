// SPDX-License-Identifier: MIT
// Console and text routines: every byte the program prints or reads, and every
// conversion between 32-bit numbers and text, passes through here. Texts are
// zero-terminated byte strings in caller-owned static buffers.
#pragma once

#include <cstdint>

// Declares a fixed text with three zero bytes after its terminator, so the
// word-at-a-time TextLength never reads outside it. (A string literal that
// initialises an array cannot stand in parentheses.)
// NOLINTNEXTLINE(bugprone-macro-parentheses)
#define SIEVEBENCH_TEXT(name, literal) alignas(4) constexpr char name[sizeof(literal) + 3] = literal

// Buffer sizes: a sign, ten digits and the terminator, with room for the
// word reads of TextLength past the terminator.
constexpr uint32_t DecimalBufferSize = 20;
constexpr uint32_t HexBufferSize = 13;

// The length of `text`, found four bytes per step. Reads up to three bytes
// past the terminator: the storage must hold them.
uint32_t TextLength(const char* text);
// Writes `text` to standard output and returns the byte count written.
uint32_t PrintText(const char* text);
// Reads one console line of at most `maximum` bytes into `buffer`: never past
// its line feed, ending in CR LF when it had an end (LF alone counts), the
// rest of a longer line thrown away. No terminator is written.
uint32_t ReadInput(char* buffer, uint32_t maximum);
// Ends the text at its first carriage return; without one among the first
// `byteCount` bytes it ends after them. `text` must hold byteCount + 1 bytes.
void CutAtReturn(char* text, uint32_t byteCount);
// Every byte up to the terminator counts as the digit (byte - '0') mod 256,
// after an optional leading minus sign; all arithmetic wraps modulo 2^32.
uint32_t DecimalToValue(const char* text);
// Signed decimal text of `value` taken as a 32-bit two's-complement number.
void ValueToDecimal(uint32_t value, char* buffer);
// Exactly eight capital hexadecimal digits.
void ValueToHex(uint32_t value, char* buffer);
// Unsigned decimal text: no sign, no leading zeros, "0" for zero.
void UnsignedToDecimal(uint32_t value, char* buffer);
// Converts `value` into its own buffer `digits` (DecimalBufferSize bytes) and prints it.
void PrintDecimal(uint32_t value, char* digits);
