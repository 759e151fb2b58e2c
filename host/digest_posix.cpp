// SPDX-License-Identifier: MIT
// SHA-256 through OpenSSL's EVP interface (libcrypto).
#include <openssl/evp.h>

#include <memory>
#include <vector>

#include "host/digest_engine.h"

std::optional<Sha256Bytes> SystemSha256(const DigestSource& next) {
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
    return std::nullopt;
  }
  std::vector<char> buffer(65536);
  for (size_t got = next(buffer.data(), buffer.size()); got > 0; got = next(buffer.data(), buffer.size())) {
    if (EVP_DigestUpdate(context.get(), buffer.data(), got) != 1) {
      return std::nullopt;
    }
  }
  Sha256Bytes digest{};
  unsigned size = 0;
  if (EVP_DigestFinal_ex(context.get(), digest.data(), &size) != 1 || size != digest.size()) {
    return std::nullopt;
  }
  return digest;
}
