// SPDX-License-Identifier: MIT
// The companions on Linux and other POSIX systems: fork and exec with pipes
// and a deadline, signals that only set a flag, rename-based replacement,
// and /proc and /sys for the machine. What only Linux has is marked and
// guarded: the parent-death signal and CPU affinity (__linux__, else left
// out), this program's own path (/proc/self/exe, else macOS's call, else a
// build error), and /proc and /sys, whose files elsewhere are missing and so
// read as unknown.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#elif defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include "host/files.h"
#include "host/linux_facts.h"
#include "host/processor.h"
#include "host/system.h"

namespace fs = std::filesystem;

namespace {

// A file of /proc or /sys; "" where it is missing, which reads as unknown.
std::string FileText(const std::string& path) {
  std::string text;
  (void)ReadWholeFile(path, text);  // a missing file leaves the text empty, which is the answer
  return text;
}

std::string FirstLine(const std::string& path) {
  const std::string text = FileText(path);
  return text.substr(0, text.find('\n'));
}

// --- the child -------------------------------------------------------------------

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void StartChild(const ProcessRequest& request, int input, int output, pid_t parent,
                             const std::vector<char*>& arguments) {
#ifdef __linux__
  // It dies with the sweep, however the sweep ends; a sweep that has
  // already gone before this line is caught by the parent check.
  (void)prctl(PR_SET_PDEATHSIG, SIGKILL);  // without it the time-out still bounds the run
#endif
  if (getppid() != parent) {
    _exit(125);
  }
  // The child starts with the default dispositions: the sweep's own stop
  // handling is for the sweep alone.
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  signal(SIGHUP, SIG_DFL);
  signal(SIGPIPE, SIG_DFL);
  dup2(input, STDIN_FILENO);
  dup2(output, STDOUT_FILENO);
  if (!request.ErrorsApart) {
    dup2(output, STDERR_FILENO);
  }
  if (!request.WorkDir.empty() && chdir(request.WorkDir.c_str()) != 0) {
    _exit(126);
  }
#ifdef __linux__
  if (request.Cpu) {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    CPU_SET(*request.Cpu, &cpus);
    if (sched_setaffinity(0, sizeof cpus, &cpus) != 0) {
      _exit(124);
    }
  }
#endif
  execv(arguments[0], arguments.data());
  static const char failure[] = "cannot run the program\n";
  if (write(STDERR_FILENO, failure, sizeof failure - 1) < 0) {
    _exit(127);  // nowhere left to say it; the exit status still does
  }
  _exit(127);
}

// A pipe neither of whose ends a child inherits past exec. POSIX has no
// pipe2, so the flag is set after: the companions start no program from
// another thread in between.
bool MakePipe(int ends[2]) {
  if (pipe(ends) != 0) {
    return false;
  }
  for (int index = 0; index < 2; ++index) {
    if (fcntl(ends[index], F_SETFD, FD_CLOEXEC) != 0) {
      close(ends[0]);
      close(ends[1]);
      return false;
    }
  }
  return true;
}

volatile sig_atomic_t StopSignal = 0;

void RecordStop(int signalNumber) {
  StopSignal = signalNumber;
}

// Feeds the input and gathers the output until the child closes its output,
// the deadline passes (false) or a stop is requested (false).
bool Exchange(int input, int output, const std::string& text, std::chrono::steady_clock::time_point deadline,
              bool hasDeadline, ProcessOutcome& outcome) {
  size_t sent = 0;
  if (text.empty()) {
    close(input);
    input = -1;
    outcome.InputSent = true;
  }
  char chunk[65536];
  for (;;) {
    if (StopRequested()) {
      outcome.Stopped = true;
      break;
    }
    long long wait = 200;  // a stop that lands just before poll is seen this late at most
    if (hasDeadline) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        outcome.TimedOut = true;
        break;
      }
      wait = std::min(wait, static_cast<long long>(left.count()));
    }
    pollfd ready[2] = {{output, POLLIN, 0}, {input, POLLOUT, 0}};
    const int events = poll(ready, input >= 0 ? 2 : 1, static_cast<int>(wait));
    if (events <= 0) {
      continue;  // a time-out of poll, or a signal: the loop looks at both
    }
    if (input >= 0 && (ready[1].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
      const ssize_t wrote = write(input, text.data() + sent, text.size() - sent);
      if (wrote < 0 && errno != EINTR && errno != EAGAIN) {
        close(input);  // the child stopped reading; its exit status tells why
        input = -1;
      } else if (wrote > 0) {
        sent += static_cast<size_t>(wrote);
        if (sent == text.size()) {
          outcome.InputSent = true;
          close(input);
          input = -1;
        }
      }
    }
    if ((ready[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
      const ssize_t got = read(output, chunk, sizeof chunk);
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
        continue;
      }
      if (got <= 0) {
        break;
      }
      outcome.Output.append(chunk, static_cast<size_t>(got));
    }
  }
  if (input >= 0) {
    close(input);
  }
  return !outcome.TimedOut && !outcome.Stopped;
}

std::vector<unsigned> AllowedCpus() {
  std::vector<unsigned> allowed;
#ifdef __linux__
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  if (sched_getaffinity(0, sizeof cpus, &cpus) == 0) {
    for (unsigned cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
      if (CPU_ISSET(cpu, &cpus)) {
        allowed.push_back(cpu);
      }
    }
  }
#endif
  return allowed;
}

// Whether the benchmark's own raise to nice -14 will work: a child tries it.
bool PriorityCanBeRaised() {
  const pid_t child = fork();
  if (child == 0) {
    _exit(setpriority(PRIO_PROCESS, 0, -14) == 0 ? 0 : 1);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::optional<std::string> Priority() {
  if (PriorityCanBeRaised()) {
    return RaisedPriority;
  }
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, 0);
  return errno == 0 ? std::optional("nice " + std::to_string(nice)) : std::nullopt;
}

std::optional<std::string> Known(const std::string& text) {
  return text.empty() ? std::nullopt : std::optional(text);
}

std::optional<bool> Boost() {
  const std::string boost = FirstLine("/sys/devices/system/cpu/cpufreq/boost");
  if (boost == "0" || boost == "1") {
    return boost == "1";
  }
  const std::string noTurbo = FirstLine("/sys/devices/system/cpu/intel_pstate/no_turbo");
  if (noTurbo == "0" || noTurbo == "1") {
    return noTurbo == "0";
  }
  return std::nullopt;
}

std::optional<std::string> Virtualization() {
  const std::string vendor = FirstLine("/sys/class/dmi/id/sys_vendor");
  std::optional<std::string> firmware =
      HypervisorFromFirmware(vendor, FirstLine("/sys/class/dmi/id/product_name"),
                             FileText("/proc/device-tree/hypervisor/compatible"));
  std::optional<std::string> processor = HypervisorFromProcessor();
  if (processor && *processor != "none") {
    return processor;
  }
  if (firmware) {
    return firmware;
  }
  // Without CPUID, firmware that names no hypervisor is the best sign of none.
  return processor ? processor : vendor.empty() ? std::nullopt : std::optional<std::string>("none");
}

std::optional<std::string> PowerSource() {
  std::vector<PowerSupply> supplies;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/sys/class/power_supply", error)) {
    const std::string folder = entry.path().string();
    supplies.push_back({FirstLine(folder + "/type"), FirstLine(folder + "/online"), FirstLine(folder + "/status")});
  }
  return PowerSourceFrom(supplies);
}

}  // namespace

std::string SignalDescription(int signalNumber) {
  return "signal " + std::to_string(signalNumber) + " (" + strsignal(signalNumber) + ")";
}

ProcessOutcome RunProcess(const ProcessRequest& request) {
  ProcessOutcome outcome;
  int input[2];
  int output[2];
  if (!MakePipe(input)) {
    outcome.StartError = std::string("pipe: ") + std::strerror(errno);
    return outcome;
  }
  if (!MakePipe(output)) {
    outcome.StartError = std::string("pipe: ") + std::strerror(errno);
    close(input[0]);
    close(input[1]);
    return outcome;
  }
  std::vector<std::string> words = {request.Program};
  words.insert(words.end(), request.Arguments.begin(), request.Arguments.end());
  std::vector<char*> arguments;
  arguments.reserve(words.size() + 1);
  for (std::string& word : words) {
    arguments.push_back(word.data());
  }
  arguments.push_back(nullptr);
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<long long>(request.TimeoutSeconds * 1000));
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child < 0) {
    outcome.StartError = std::string("fork: ") + std::strerror(errno);
    for (const int fd : {input[0], input[1], output[0], output[1]}) {
      close(fd);
    }
    return outcome;
  }
  if (child == 0) {
    StartChild(request, input[0], output[1], parent, arguments);
  }
  close(input[0]);
  close(output[1]);
  // A child that dies before it reads must not end the caller with SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
  fcntl(input[1], F_SETFL, O_NONBLOCK);
  if (!Exchange(input[1], output[0], request.Input, deadline, request.TimeoutSeconds > 0, outcome)) {
    kill(child, SIGKILL);
  }
  close(output[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) {
    outcome.ExitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    outcome.Signal = WTERMSIG(status);
  }
  return outcome;
}

void WatchForStopRequests() {
  struct sigaction action {};
  action.sa_handler = RecordStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a wait in poll or waitpid returns at once
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    sigaction(signalNumber, &action, nullptr);
  }
  // A closed output is noticed where it is written (StopForLostOutput), and
  // a child that dies before it reads its input must not end the sweep.
  signal(SIGPIPE, SIG_IGN);
}

void StopForLostOutput() {
  if (StopSignal == 0) {
    StopSignal = SIGPIPE;
  }
}

bool StopRequested() {
  return StopSignal != 0;
}

int StopStatus() {
  return 128 + StopSignal;
}

std::string StopName() {
  switch (StopSignal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    case SIGPIPE: return "SIGPIPE (its output was closed)";
    default: return "signal " + std::to_string(StopSignal);
  }
}

void StopHandled() {}

std::string ReplaceFileDurably(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp-" + std::to_string(getpid());
  (void)unlink(temporary.c_str());  // a leftover of a crashed run with the same number, if any
  const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (file < 0) {
    return "cannot write " + path + ": " + std::strerror(errno);
  }
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t wrote = write(file, text.data() + written, text.size() - written);
    if (wrote < 0 && errno == EINTR) {
      continue;
    }
    if (wrote <= 0) {
      break;
    }
    written += static_cast<size_t>(wrote);
  }
  std::string problem = written < text.size() ? std::strerror(errno) : "";
  if (problem.empty() && fsync(file) != 0) {
    problem = std::strerror(errno);
  }
  if (close(file) != 0 && problem.empty()) {
    problem = std::strerror(errno);
  }
  if (problem.empty() && rename(temporary.c_str(), path.c_str()) != 0) {
    problem = std::strerror(errno);
  }
  if (!problem.empty()) {
    (void)unlink(temporary.c_str());  // the old file stays as it was
    return "cannot write " + path + ": " + problem;
  }
  // The rename itself reaches the disk with its folder.
  const std::string folder = fs::path(path).parent_path().empty() ? "." : fs::path(path).parent_path().string();
  const int directory = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory >= 0) {
    (void)fsync(directory);  // some file systems cannot sync a folder; the file is whole either way
    close(directory);
  }
  return "";
}

bool IsExecutable(const std::string& path) {
  return access(path.c_str(), X_OK) == 0 && !fs::is_directory(path);
}

// This program's own path; empty when the system will not say.
static fs::path OwnPath() {
#ifdef __linux__
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : self;
#elif defined(__APPLE__)
  char path[4096];
  uint32_t size = sizeof path;
  return _NSGetExecutablePath(path, &size) == 0 ? fs::path(path) : fs::path();
#else
#error "this system's way to find a program's own path is missing: add it to OwnPath()"
#endif
}

std::string ProgramBesideSelf(const std::string& name) {
  const fs::path self = OwnPath();
  return self.empty() ? name : (self.parent_path() / name).string();
}

std::optional<std::string> FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path == nullptr ? "" : path);
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    const std::string candidate = (fs::path(folder) / name).string();
    if (!folder.empty() && IsExecutable(candidate)) {
      return candidate;
    }
  }
  return std::nullopt;
}

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

void PrepareConsole() {}

std::string HostName() {
  char name[256] = {};
  return gethostname(name, sizeof name - 1) == 0 ? name : "unknown";
}

Machine DescribeMachine() {
  Machine machine;
  machine.Cpu = CpuFromCpuinfo(FileText("/proc/cpuinfo"));
  if (machine.Cpu.empty()) {
    machine.Cpu = ProcessorBrand().value_or("");
  }
  machine.Cores = std::thread::hardware_concurrency();
  utsname names{};
  if (uname(&names) == 0) {
    machine.Arch = names.machine;
    const std::string os = OsFromOsRelease(FileText("/etc/os-release"));
    machine.Os = os.empty() ? names.sysname : os;
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

const char RaisedPriority[] = "nice -14";

RunConditions DescribeConditions(const std::string& runFolder, std::optional<unsigned> cpu) {
  RunConditions conditions;
  std::error_code error;
  const fs::path folder = fs::canonical(runFolder, error);
  if (!error) {
    conditions.FileSystem = FileSystemFromMountinfo(FileText("/proc/self/mountinfo"), folder.string());
  }
  conditions.Priority = Priority();
  const std::string cpufreq = "/sys/devices/system/cpu/cpu" + std::to_string(cpu.value_or(0)) + "/cpufreq/";
  conditions.Governor = Known(FirstLine(cpufreq + "scaling_governor"));
  conditions.Boost = Boost();
  conditions.Virtualization = Virtualization();
  conditions.LoadAverageStart = LoadAverage();
  conditions.PowerSource = PowerSource();
  const std::vector<unsigned> allowed = AllowedCpus();
  conditions.CpuAffinity = cpu ? std::optional(std::to_string(*cpu)) : Known(CpuListText(allowed));
  conditions.TimerResolutionMs = 1;  // the benchmark's counter is CLOCK_MONOTONIC in whole milliseconds
  return conditions;
}

std::optional<double> LoadAverage() {
  double load = 0;
  return getloadavg(&load, 1) == 1 ? std::optional(load) : std::nullopt;
}

uint64_t PageBytes() {
  const long bytes = sysconf(_SC_PAGESIZE);
  return bytes > 0 ? static_cast<uint64_t>(bytes) : 4096;  // POSIX's own floor when it will not say
}

std::optional<uint64_t> AvailableMemory() {
  std::istringstream meminfo(FileText("/proc/meminfo"));
  std::string key;
  uint64_t kibibytes = 0;
  std::string unit;
  while (meminfo >> key >> kibibytes >> unit) {
    if (key == "MemAvailable:") {
      return kibibytes * 1024;
    }
  }
  return std::nullopt;
}

std::string CpuProblem(unsigned cpu) {
  const std::vector<unsigned> allowed = AllowedCpus();
  if (allowed.empty()) {
    return "this system cannot pin a program to one CPU";
  }
  for (const unsigned each : allowed) {
    if (each == cpu) {
      return "";
    }
  }
  return "CPU " + std::to_string(cpu) + " is not one this process may run on (" + CpuListText(allowed) + ")";
}
