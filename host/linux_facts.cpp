// SPDX-License-Identifier: MIT
// Readings of Linux's description files, which differ by architecture,
// kernel and hypervisor: each takes what the machine offers and says
// nothing where it offers nothing.
#include "host/linux_facts.h"

#include <map>
#include <sstream>

static std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\n");
  const size_t last = text.find_last_not_of(" \t\r\n");
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

std::string OsFromOsRelease(const std::string& osRelease) {
  std::istringstream release(osRelease);
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
  return "";
}

// mountinfo writes a space, tab, newline and backslash in a path as \ooo.
static std::string Unescaped(const std::string& field) {
  std::string text;
  for (size_t at = 0; at < field.size(); ++at) {
    auto digit = [&](size_t index) { return field[index] >= '0' && field[index] <= '7'; };
    const bool octal = field[at] == '\\' && at + 3 < field.size() && digit(at + 1) && digit(at + 2) && digit(at + 3);
    if (octal) {
      text += static_cast<char>(std::stoi(field.substr(at + 1, 3), nullptr, 8));
      at += 3;
    } else {
      text += field[at];
    }
  }
  return text;
}

static bool Contains(const std::string& mountPoint, const std::string& path) {
  if (mountPoint == "/") {
    return true;
  }
  return path.rfind(mountPoint, 0) == 0 && (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

std::optional<std::string> FileSystemFromMountinfo(const std::string& mountinfo, const std::string& path) {
  std::optional<std::string> found;
  size_t longest = 0;
  std::istringstream lines(mountinfo);
  std::string line;
  while (std::getline(lines, line)) {
    // id parent major:minor root mount-point options [optional fields...] - type source options
    std::istringstream fields(line);
    std::string skip, mountPoint, word;
    fields >> skip >> skip >> skip >> skip >> mountPoint;
    while (fields >> word && word != "-") {
    }
    std::string type;
    if (word != "-" || !(fields >> type)) {
      continue;
    }
    mountPoint = Unescaped(mountPoint);
    if (Contains(mountPoint, path) && mountPoint.size() >= longest) {
      longest = mountPoint.size();
      found = type;
    }
  }
  return found;
}

std::optional<std::string> HypervisorFromFirmware(const std::string& vendor, const std::string& product,
                                                  const std::string& deviceTree) {
  const std::string both = Trimmed(vendor) + " " + Trimmed(product);
  static const std::pair<const char*, const char*> Known[] = {
      {"KVM", "kvm"},          {"QEMU", "qemu"},           {"VMware", "vmware"},
      {"VirtualBox", "oracle"}, {"innotek", "oracle"},     {"Xen", "xen"},
      {"Microsoft Corporation Virtual Machine", "microsoft"}, {"Parallels", "parallels"},
      {"Bochs", "bochs"},      {"Amazon EC2", "amazon"},   {"Google Compute Engine", "google"},
      {"BHYVE", "bhyve"},      {"Apple Virtualization", "apple"}};
  for (const auto& [mark, name] : Known) {
    if (both.find(mark) != std::string::npos) {
      return name;
    }
  }
  if (deviceTree.find("linux,kvm") != std::string::npos) {
    return "kvm";
  }
  if (deviceTree.find("xen") != std::string::npos) {
    return "xen";
  }
  return std::nullopt;
}

std::optional<std::string> PowerSourceFrom(const std::vector<PowerSupply>& supplies) {
  bool mainsOff = false;
  bool battery = false;
  bool discharging = false;
  for (const PowerSupply& supply : supplies) {
    const std::string type = Trimmed(supply.Type);
    if (type == "Mains" && Trimmed(supply.Online) == "1") {
      return "ac";
    }
    mainsOff = mainsOff || type == "Mains";
    battery = battery || type == "Battery";
    discharging = discharging || (type == "Battery" && Trimmed(supply.Status) == "Discharging");
  }
  if (discharging || (mainsOff && battery)) {
    return "battery";
  }
  return std::nullopt;
}

std::string CpuListText(const std::vector<unsigned>& cpus) {
  std::string text;
  for (size_t first = 0; first < cpus.size();) {
    size_t last = first;
    while (last + 1 < cpus.size() && cpus[last + 1] == cpus[last] + 1) {
      ++last;
    }
    if (!text.empty()) {
      text += ',';
    }
    text += std::to_string(cpus[first]);
    if (last != first) {
      text += '-';
      text += std::to_string(cpus[last]);
    }
    first = last + 1;
  }
  return text;
}
