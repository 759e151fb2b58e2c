// SPDX-License-Identifier: MIT
// What each system's library gives the digest: SHA-256 over the pieces a
// source hands it. digest.cpp turns files and texts into sources.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>

// Fills the buffer and returns how much it filled; 0 at the end.
using DigestSource = std::function<size_t(char* buffer, size_t size)>;
using Sha256Bytes = std::array<unsigned char, 32>;

// None when the system's library fails.
std::optional<Sha256Bytes> SystemSha256(const DigestSource& next);
