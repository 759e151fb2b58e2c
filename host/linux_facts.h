// SPDX-License-Identifier: MIT
// What Linux's /proc and /sys texts say of a machine, read from the texts
// themselves, so each reading can be tried on texts from other machines.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The processor's name from a /proc/cpuinfo text: the model name where the
// architecture gives one, else the best field it offers (ARM's implementer
// and part, s390x's vendor and machine type, RISC-V's micro-architecture).
std::string CpuFromCpuinfo(const std::string& cpuinfo);
// The mode in brackets of /sys/kernel/mm/transparent_hugepage/enabled.
std::string HugePageMode(const std::string& setting);
// PRETTY_NAME of an /etc/os-release text, or "" without one.
std::string OsFromOsRelease(const std::string& osRelease);

// The type of the file system that holds `path` (an absolute path with no
// links in it), from a /proc/self/mountinfo text: the last mount on the
// longest mount point that contains it.
std::optional<std::string> FileSystemFromMountinfo(const std::string& mountinfo, const std::string& path);

// A hypervisor's name from the firmware's vendor and product
// (/sys/class/dmi/id/sys_vendor, product_name) or a device tree's
// hypervisor node, in the names systemd-detect-virt uses; none when they name none.
std::optional<std::string> HypervisorFromFirmware(const std::string& vendor, const std::string& product,
                                                  const std::string& deviceTree);

// One power supply as /sys/class/power_supply/*/ shows it.
struct PowerSupply {
  std::string Type;    // "Mains", "Battery", "USB", ...
  std::string Online;  // "1" or "0" for mains
  std::string Status;  // "Discharging", "Charging", ... for batteries
};
// "ac" when mains power is on, "battery" when a battery is discharging with
// no mains, none when the supplies do not say (a desktop or server shows none).
std::optional<std::string> PowerSourceFrom(const std::vector<PowerSupply>& supplies);

// A set of CPUs as Linux writes it: "0-3,6".
std::string CpuListText(const std::vector<unsigned>& cpus);
