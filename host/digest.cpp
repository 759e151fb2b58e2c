// SPDX-License-Identifier: MIT
// Files and texts as sources for the system's SHA-256, and its bytes as the
// hexadecimal text sha256sum prints. A file is read in pieces, so a large
// build never sits in memory whole.
#include "host/digest.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "host/digest_engine.h"

namespace {

std::optional<std::string> Hex(const std::optional<Sha256Bytes>& digest) {
  if (!digest) {
    return std::nullopt;
  }
  static const char Digits[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char byte : *digest) {
    hex.push_back(Digits[byte >> 4]);
    hex.push_back(Digits[byte & 0xF]);
  }
  return hex;
}

}  // namespace

std::optional<std::string> Sha256Hex(const std::string& bytes) {
  size_t offset = 0;
  return Hex(SystemSha256([&](char* buffer, size_t size) {
    const size_t taken = bytes.copy(buffer, size, offset);
    offset += taken;
    return taken;
  }));
}

std::optional<std::string> FileSha256(const std::string& path) {
  std::ifstream file(std::filesystem::u8path(path), std::ios::binary);
  if (!file) {
    return std::nullopt;
  }
  const std::optional<std::string> digest = Hex(SystemSha256([&](char* buffer, size_t size) {
    file.read(buffer, static_cast<std::streamsize>(size));
    return static_cast<size_t>(file.gcount());
  }));
  return file.bad() ? std::nullopt : digest;
}
