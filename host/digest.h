// SPDX-License-Identifier: MIT
// The identity of a benchmark build: the SHA-256 of its file, which anyone
// can check with sha256sum. The system's own library computes it: OpenSSL's
// libcrypto on Linux, BCrypt on Windows.
#pragma once

#include <optional>
#include <string>

// The digest of `bytes` as 64 lowercase hexadecimal digits; none only if the
// system's library fails.
std::optional<std::string> Sha256Hex(const std::string& bytes);
// The digest of the file at `path`, or none when it cannot be read.
std::optional<std::string> FileSha256(const std::string& path);
