// SPDX-License-Identifier: MIT
// A description of the machine a sweep ran on, for its result file.
#pragma once

#include <string>

#include "results/model.h"

// The processor's name from a /proc/cpuinfo text: the model name where the
// architecture gives one, else the best field it offers (ARM's implementer
// and part, s390x's vendor and machine type, RISC-V's micro-architecture).
std::string CpuFromCpuinfo(const std::string& cpuinfo);
// The mode in brackets of /sys/kernel/mm/transparent_hugepage/enabled.
std::string HugePageMode(const std::string& setting);
Machine DescribeMachine();
