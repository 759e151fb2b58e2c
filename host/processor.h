// SPDX-License-Identifier: MIT
// What the processor says of itself through CPUID on x86, whatever the
// operating system: its brand string, and whether it runs under a hypervisor.
#pragma once

#include <optional>
#include <string>

// The hypervisor's name for a vendor signature of CPUID leaf 0x40000000
// ("KVMKVMKVM", "Microsoft Hv", ...), in the names systemd-detect-virt uses.
std::string HypervisorFromSignature(const std::string& signature);
// "none" when the processor's hypervisor bit is clear, the hypervisor's name
// when it is set; none on processors without CPUID.
std::optional<std::string> HypervisorFromProcessor();
// The brand string of CPUID leaves 0x80000002 to 0x80000004; none without it.
std::optional<std::string> ProcessorBrand();
