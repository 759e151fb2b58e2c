// SPDX-License-Identifier: MIT
// What the sweep knows of its machine: /proc/cpuinfo, uname, the physical
// memory, /etc/os-release and the transparent huge-page setting.
#include "sweep/machine.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>
#include <thread>

static std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  const size_t last = text.find_last_not_of(" \t\r");
  return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

// The first value of each "key : value" line.
static std::map<std::string, std::string> Fields(const std::string& text) {
  std::map<std::string, std::string> fields;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t colon = line.find(':');
    if (colon != std::string::npos) {
      fields.emplace(Trimmed(line.substr(0, colon)), Trimmed(line.substr(colon + 1)));
    }
  }
  return fields;
}

std::string CpuFromCpuinfo(const std::string& cpuinfo) {
  const auto fields = Fields(cpuinfo);
  auto field = [&](const std::string& key) {
    const auto found = fields.find(key);
    return found == fields.end() ? std::string() : found->second;
  };
  for (const char* key : {"model name", "Model", "Hardware", "uarch", "cpu model", "cpu"}) {
    if (!field(key).empty()) {
      return field(key);
    }
  }
  if (!field("CPU implementer").empty()) {
    return "ARM implementer " + field("CPU implementer") + " part " + field("CPU part");
  }
  if (!field("vendor_id").empty()) {
    // s390x: "processor 0: version = FF,  identification = ...,  machine = 8561"
    const size_t machine = cpuinfo.find("machine = ");
    const std::string type =
        machine == std::string::npos ? "" : cpuinfo.substr(machine + 10, cpuinfo.find_first_of(" ,\n", machine + 10) - machine - 10);
    return field("vendor_id") + (type.empty() ? "" : " machine " + type);
  }
  return field("isa");
}

std::string HugePageMode(const std::string& setting) {
  const size_t open = setting.find('[');
  const size_t close = setting.find(']', open);
  return open == std::string::npos || close == std::string::npos ? "" : setting.substr(open + 1, close - open - 1);
}

static std::string FileText(const std::string& path) {
  std::ifstream file(path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

static std::string OsName(const std::string& sysname) {
  std::istringstream release(FileText("/etc/os-release"));
  std::string line;
  while (std::getline(release, line)) {
    if (line.rfind("PRETTY_NAME=", 0) == 0) {
      std::string name = line.substr(12);
      if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
        name = name.substr(1, name.size() - 2);
      }
      return name;
    }
  }
  return sysname;
}

Machine DescribeMachine() {
  Machine machine;
  machine.Cpu = CpuFromCpuinfo(FileText("/proc/cpuinfo"));
  machine.Cores = std::thread::hardware_concurrency();
  utsname names{};
  if (uname(&names) == 0) {
    machine.Arch = names.machine;
    machine.Os = OsName(names.sysname);
    machine.Kernel = names.release;
  }
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages > 0 && pageSize > 0) {
    machine.MemoryBytes = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
  }
  const std::string mode = HugePageMode(FileText("/sys/kernel/mm/transparent_hugepage/enabled"));
  if (!mode.empty()) {
    machine.HugePages = mode;
  }
  return machine;
}
