// SPDX-License-Identifier: MIT
// CPUID through the compiler's own intrinsics: GCC's and clang's <cpuid.h>,
// MSVC's <intrin.h>. Other processors answer nothing here.
#include "host/processor.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#define SIEVEBENCH_CPUID 1
#if defined(_MSC_VER)
#include <intrin.h>
#else
#include <cpuid.h>
#endif
#endif

namespace {

#ifdef SIEVEBENCH_CPUID
struct Registers {
  unsigned A = 0, B = 0, C = 0, D = 0;
};

Registers Cpuid(unsigned leaf) {
  Registers registers;
#if defined(_MSC_VER)
  int words[4];
  __cpuid(words, static_cast<int>(leaf));
  registers = {static_cast<unsigned>(words[0]), static_cast<unsigned>(words[1]), static_cast<unsigned>(words[2]),
               static_cast<unsigned>(words[3])};
#else
  __cpuid(leaf, registers.A, registers.B, registers.C, registers.D);
#endif
  return registers;
}

// Registers as text, in the order CPUID's strings are stored: each register's
// low byte first, which is how an x86 machine keeps it in memory.
std::string Text(const unsigned* words, size_t count) {
  std::string text(count * 4, '\0');
  std::memcpy(text.data(), words, text.size());
  return text.substr(0, text.find('\0'));
}
#endif

}  // namespace

std::string HypervisorFromSignature(const std::string& signature) {
  static const std::pair<const char*, const char*> Known[] = {
      {"KVMKVMKVM", "kvm"},       {"Linux KVM Hv", "kvm"},  {"TCGTCGTCGTCG", "qemu"}, {"Microsoft Hv", "microsoft"},
      {"VMwareVMware", "vmware"}, {"XenVMMXenVMM", "xen"},  {"VBoxVBoxVBox", "oracle"},
      {"prl hyperv", "parallels"}, {" lrpepyh vr", "parallels"}, {"bhyve bhyve", "bhyve"},
      {"ACRNACRNACRN", "acrn"},   {"QNXQVMBSQG", "qnx"},    {"Apple VZ", "apple"}};
  for (const auto& [mark, name] : Known) {
    if (signature.rfind(mark, 0) == 0) {
      return name;
    }
  }
  return signature.empty() ? "unknown hypervisor" : "hypervisor " + signature;
}

std::optional<std::string> HypervisorFromProcessor() {
#ifdef SIEVEBENCH_CPUID
  if ((Cpuid(1).C >> 31 & 1u) == 0) {
    return "none";
  }
  const Registers vendor = Cpuid(0x40000000);
  const unsigned words[] = {vendor.B, vendor.C, vendor.D};
  return HypervisorFromSignature(Text(words, 3));
#else
  return std::nullopt;
#endif
}

std::optional<std::string> ProcessorBrand() {
#ifdef SIEVEBENCH_CPUID
  if (Cpuid(0x80000000).A < 0x80000004) {
    return std::nullopt;
  }
  unsigned words[12];
  for (size_t leaf = 0; leaf < 3; ++leaf) {
    const Registers part = Cpuid(0x80000002 + static_cast<unsigned>(leaf));
    words[leaf * 4] = part.A;
    words[leaf * 4 + 1] = part.B;
    words[leaf * 4 + 2] = part.C;
    words[leaf * 4 + 3] = part.D;
  }
  std::string brand = Text(words, 12);
  brand.erase(0, brand.find_first_not_of(' '));
  brand.erase(brand.find_last_not_of(' ') + 1);
  return brand.empty() ? std::nullopt : std::optional(brand);
#else
  return std::nullopt;
#endif
}
