// SPDX-License-Identifier: MIT
// SHA-256 through BCrypt, the system's own cryptography DLL.
#include "host/windows_api.h"
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <vector>

#include "host/digest_engine.h"

namespace {

// The provider and the hash, closed whatever happens.
struct Sha256Hash {
  BCRYPT_ALG_HANDLE Algorithm = nullptr;
  BCRYPT_HASH_HANDLE Hash = nullptr;
  Sha256Hash() {
    if (BCryptOpenAlgorithmProvider(&Algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0 ||
        BCryptCreateHash(Algorithm, &Hash, nullptr, 0, nullptr, 0, 0) != 0) {
      Hash = nullptr;
    }
  }
  ~Sha256Hash() {
    if (Hash != nullptr) {
      BCryptDestroyHash(Hash);
    }
    if (Algorithm != nullptr) {
      BCryptCloseAlgorithmProvider(Algorithm, 0);
    }
  }
  Sha256Hash(const Sha256Hash&) = delete;
  Sha256Hash& operator=(const Sha256Hash&) = delete;
};

}  // namespace

std::optional<Sha256Bytes> SystemSha256(const DigestSource& next) {
  Sha256Hash sha;
  if (sha.Hash == nullptr) {
    return std::nullopt;
  }
  std::vector<char> buffer(65536);
  for (size_t got = next(buffer.data(), buffer.size()); got > 0; got = next(buffer.data(), buffer.size())) {
    if (BCryptHashData(sha.Hash, reinterpret_cast<PUCHAR>(buffer.data()), static_cast<ULONG>(got), 0) != 0) {
      return std::nullopt;
    }
  }
  Sha256Bytes digest{};
  if (BCryptFinishHash(sha.Hash, digest.data(), static_cast<ULONG>(digest.size()), 0) != 0) {
    return std::nullopt;
  }
  return digest;
}
