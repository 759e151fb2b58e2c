// SPDX-License-Identifier: MIT
// The companions on Windows: CreateProcess with pipes, a time-out and a job
// object that ends the benchmark with the sweep; console control events
// that only set a flag; MoveFileEx for durable replacement; and the kernel's
// own calls for the machine. Text crosses this border as UTF-8 on our side
// and UTF-16 on the system's.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "host/windows_api.h"
#include "host/linux_facts.h"
#include "host/processor.h"
#include "host/system.h"

namespace fs = std::filesystem;

namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) {
    return L"";
  }
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(std::max(length, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) {
    return "";
  }
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(std::max(length, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr, nullptr);
  return text;
}

// The system's words for an error code, without the line end it adds.
std::string ErrorText(DWORD code) {
  wchar_t* message = nullptr;
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  std::string text = length == 0 ? "error " + std::to_string(code) : Narrow(std::wstring(message, length));
  LocalFree(message);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

// One argument as the C runtime's command-line parser reads it back.
std::wstring QuotedArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t character : argument) {
    if (character == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(character == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += character;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

struct Job {
  HANDLE Handle = nullptr;
  bool HoldsSelf = false;  // this process is in it, so every child starts in it
};

// The job every benchmark runs in: when the sweep ends, however it ends, its
// handle closes and the system ends whatever is still in the job. The sweep
// puts itself in it, so that a child is in it from its creation: a child
// put there after it was made would be left behind, suspended, by a sweep
// killed in between.
const Job& BenchmarkJob() {
  static const Job job = [] {
    Job created;
    created.Handle = CreateJobObjectW(nullptr, nullptr);
    if (created.Handle != nullptr) {
      JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
      limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
      (void)SetInformationJobObject(created.Handle, JobObjectExtendedLimitInformation, &limits, sizeof limits);
      // Where this process may not join (a job of its own that forbids it),
      // each child is put in the job after it is made.
      created.HoldsSelf = AssignProcessToJobObject(created.Handle, GetCurrentProcess()) != 0;
    }
    return created;
  }();
  return job;
}

// Gathers the output until the child closes it, the deadline passes
// (false) or a stop is requested (false). Peeking first keeps a read from
// blocking, so no second thread is needed.
bool GatherOutput(HANDLE output, HANDLE process, std::chrono::steady_clock::time_point deadline, bool hasDeadline,
                  ProcessOutcome& outcome) {
  char chunk[65536];
  for (;;) {
    DWORD available = 0;
    if (PeekNamedPipe(output, nullptr, 0, nullptr, &available, nullptr) == 0) {
      return true;  // every writer has closed the pipe: the output is whole
    }
    if (available > 0) {
      DWORD got = 0;
      if (ReadFile(output, chunk, std::min<DWORD>(available, sizeof chunk), &got, nullptr) == 0) {
        return true;
      }
      outcome.Output.append(chunk, got);
      continue;
    }
    if (StopRequested()) {
      outcome.Stopped = true;
      return false;
    }
    if (hasDeadline && std::chrono::steady_clock::now() >= deadline) {
      outcome.TimedOut = true;
      return false;
    }
    (void)WaitForSingleObject(process, 10);  // a short nap; the pipe tells when the child is done
  }
}

bool MakePipe(HANDLE& read, HANDLE& write, bool childReads, std::string& problem) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  if (CreatePipe(&read, &write, &inherit, 0) == 0) {
    problem = "cannot make a pipe: " + ErrorText(GetLastError());
    return false;
  }
  // Only the child's end is inherited.
  (void)SetHandleInformation(childReads ? write : read, HANDLE_FLAG_INHERIT, 0);
  return true;
}

std::wstring CommandLine(const ProcessRequest& request) {
  std::wstring line = QuotedArgument(Wide(request.Program));
  for (const std::string& argument : request.Arguments) {
    line += L" " + QuotedArgument(Wide(argument));
  }
  return line;
}

// The child's input, written by a thread of its own: an anonymous pipe
// cannot be written without blocking, and a child that never reads must not
// hold the caller past its deadline. Once the child has ended, a write that
// waited on it fails, so the thread always ends.
struct InputFeed {
  HANDLE Pipe = nullptr;
  const std::string* Text = nullptr;
  bool Sent = false;  // all of it reached the pipe
};

// Sends the whole input, then closes the pipe so the child sees its end.
DWORD WINAPI FeedInput(LPVOID context) {
  InputFeed& feed = *static_cast<InputFeed*>(context);
  size_t sent = 0;
  while (sent < feed.Text->size()) {
    DWORD wrote = 0;
    if (WriteFile(feed.Pipe, feed.Text->data() + sent, static_cast<DWORD>(feed.Text->size() - sent), &wrote,
                  nullptr) == 0) {
      break;  // the child stopped reading; its exit code tells why
    }
    sent += wrote;
  }
  feed.Sent = sent == feed.Text->size();
  CloseHandle(feed.Pipe);
  return 0;
}

enum StopKind : LONG { NoStop = -1, LostOutput = 100 };
volatile LONG StopEvent = NoStop;
HANDLE StopHandledEvent = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  (void)InterlockedCompareExchange(&StopEvent, static_cast<LONG>(event), NoStop);
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    // The system ends the process when this returns (or after about five
    // seconds): wait for the finished runs to be saved.
    (void)WaitForSingleObject(StopHandledEvent, 4500);
  }
  return TRUE;
}

// How far GetTickCount moves at once, the benchmark's own counter: about
// 15.6 ms by default, less where a program has asked for a finer timer.
double TickStep() {
  DWORD largest = 0;
  for (int step = 0; step < 3; ++step) {
    const DWORD start = GetTickCount();
    DWORD edge = start;
    while (edge == start) {
      edge = GetTickCount();
    }
    DWORD next = edge;
    while (next == edge) {
      next = GetTickCount();
    }
    largest = std::max(largest, next - edge);
  }
  return largest;
}

std::optional<std::string> FileSystemOf(const fs::path& folder) {
  wchar_t volume[MAX_PATH + 1] = {};
  wchar_t name[MAX_PATH + 1] = {};
  if ((GetVolumePathNameW(folder.c_str(), volume, MAX_PATH) == 0) ||
      (GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH) == 0)) {
    return std::nullopt;
  }
  return Narrow(name);
}

std::string PriorityClassName(DWORD priorityClass) {
  switch (priorityClass) {
    case IDLE_PRIORITY_CLASS: return "idle";
    case BELOW_NORMAL_PRIORITY_CLASS: return "below normal";
    case NORMAL_PRIORITY_CLASS: return "normal";
    case ABOVE_NORMAL_PRIORITY_CLASS: return "above normal";
    case HIGH_PRIORITY_CLASS: return "high";
    case REALTIME_PRIORITY_CLASS: return "realtime";
    default: return "class " + std::to_string(priorityClass);
  }
}

// The class the benchmark will run at: it asks for high itself, which this
// process tries on itself first and then gives back.
std::optional<std::string> Priority() {
  HANDLE self = GetCurrentProcess();
  const DWORD current = GetPriorityClass(self);
  if (SetPriorityClass(self, HIGH_PRIORITY_CLASS) != 0) {
    (void)SetPriorityClass(self, current);  // back to where it was; the sweep itself needs no haste
    return RaisedPriority;
  }
  return current == 0 ? std::nullopt : std::optional(PriorityClassName(current));
}

std::optional<std::string> PowerSource() {
  SYSTEM_POWER_STATUS status{};
  if ((GetSystemPowerStatus(&status) == 0) || status.ACLineStatus > 1) {
    return std::nullopt;
  }
  return status.ACLineStatus == 1 ? "ac" : "battery";
}

std::vector<unsigned> AllowedCpus() {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  std::vector<unsigned> allowed;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) != 0) {
    for (unsigned cpu = 0; cpu < sizeof process * 8; ++cpu) {
      if ((process >> cpu & 1) != 0) {
        allowed.push_back(cpu);
      }
    }
  }
  return allowed;
}

// "Windows 10.0.19045", with wine's own version where wine stands in.
void DescribeSystem(Machine& machine) {
  using VersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);
  using WineVersionCall = const char*(CDECL*)();
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  // The casts go through a generic function pointer, as GetProcAddress's users must.
  const auto getVersion = ntdll == nullptr ? nullptr
                                           : reinterpret_cast<VersionCall>(reinterpret_cast<void (*)()>(
                                                 GetProcAddress(ntdll, "RtlGetVersion")));
  if (getVersion != nullptr && getVersion(&version) == 0) {
    machine.Kernel = std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion) + "." +
                     std::to_string(version.dwBuildNumber);
  }
  machine.Os = "Windows" + (machine.Kernel.empty() ? std::string() : " " + machine.Kernel);
  const auto wineVersion = ntdll == nullptr ? nullptr
                                            : reinterpret_cast<WineVersionCall>(reinterpret_cast<void (*)()>(
                                                  GetProcAddress(ntdll, "wine_get_version")));
  if (wineVersion != nullptr) {
    machine.Os += std::string(" (wine ") + wineVersion() + ")";
  }
}

std::string ArchitectureName() {
  SYSTEM_INFO system{};
  GetNativeSystemInfo(&system);
  switch (system.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64: return "x86_64";
    case PROCESSOR_ARCHITECTURE_INTEL: return "i686";
    case PROCESSOR_ARCHITECTURE_ARM64: return "aarch64";
    case PROCESSOR_ARCHITECTURE_ARM: return "arm";
    default: return "unknown";
  }
}

}  // namespace

std::string SignalDescription(int signalNumber) {
  return "signal " + std::to_string(signalNumber);
}

ProcessOutcome RunProcess(const ProcessRequest& request) {
  ProcessOutcome outcome;
  HANDLE inputRead = nullptr;
  HANDLE inputWrite = nullptr;
  HANDLE outputRead = nullptr;
  HANDLE outputWrite = nullptr;
  if (!MakePipe(inputRead, inputWrite, true, outcome.StartError)) {
    return outcome;
  }
  if (!MakePipe(outputRead, outputWrite, false, outcome.StartError)) {
    CloseHandle(inputRead);
    CloseHandle(inputWrite);
    return outcome;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inputRead;
  startup.hStdOutput = outputWrite;
  startup.hStdError = request.ErrorsApart ? GetStdHandle(STD_ERROR_HANDLE) : outputWrite;
  PROCESS_INFORMATION child{};
  std::wstring commandLine = CommandLine(request);
  const std::wstring workDir = Wide(request.WorkDir);
  // Suspended until it is in the job and on its CPU: it runs nothing outside them.
  const BOOL started = CreateProcessW(Wide(request.Program).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                      CREATE_SUSPENDED, nullptr, workDir.empty() ? nullptr : workDir.c_str(),
                                      &startup, &child);
  const DWORD startError = GetLastError();
  CloseHandle(inputRead);
  CloseHandle(outputWrite);
  if (started == 0) {
    outcome.StartError = "cannot run " + request.Program + ": " + ErrorText(startError);
    CloseHandle(inputWrite);
    CloseHandle(outputRead);
    return outcome;
  }
  const Job& job = BenchmarkJob();
  const bool contained =
      job.HoldsSelf || (job.Handle != nullptr && AssignProcessToJobObject(job.Handle, child.hProcess) != 0);
  const bool pinned = !request.Cpu || (SetProcessAffinityMask(child.hProcess, DWORD_PTR{1} << *request.Cpu) != 0);
  if (!contained || !pinned) {
    outcome.StartError = std::string(contained ? "cannot pin the program to its CPU: " : "cannot put the program in a job: ") +
                         ErrorText(GetLastError());
    (void)TerminateProcess(child.hProcess, 1);  // it never ran: nothing of it is lost
  } else {
    (void)ResumeThread(child.hThread);
  }
  CloseHandle(child.hThread);
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<long long>(request.TimeoutSeconds * 1000));
  InputFeed feed{inputWrite, &request.Input};
  HANDLE feeder = nullptr;
  if (outcome.StartError.empty()) {
    feeder = CreateThread(nullptr, 0, FeedInput, &feed, 0, nullptr);
    if (feeder == nullptr) {
      (void)FeedInput(&feed);  // no thread to spare: the input goes first, as a plain write would
    }
    if (!GatherOutput(outputRead, child.hProcess, deadline, request.TimeoutSeconds > 0, outcome)) {
      (void)TerminateProcess(child.hProcess, 1);  // it overran or was stopped: what it would still do is not wanted
    }
  } else {
    CloseHandle(inputWrite);
  }
  CloseHandle(outputRead);
  (void)WaitForSingleObject(child.hProcess, INFINITE);
  if (feeder != nullptr) {
    (void)WaitForSingleObject(feeder, INFINITE);  // the child is gone, so its last write has returned
    CloseHandle(feeder);
  }
  outcome.InputSent = feed.Sent;
  DWORD exitCode = 0;
  if (outcome.StartError.empty() && !outcome.TimedOut && !outcome.Stopped &&
      (GetExitCodeProcess(child.hProcess, &exitCode) != 0)) {
    outcome.ExitCode = static_cast<int>(exitCode);
  }
  CloseHandle(child.hProcess);
  return outcome;
}

void WatchForStopRequests() {
  StopHandledEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  (void)SetConsoleCtrlHandler(OnConsoleEvent, TRUE);  // without a console there is nothing to watch
}

void StopForLostOutput() {
  (void)InterlockedCompareExchange(&StopEvent, LostOutput, NoStop);
}

bool StopRequested() {
  return StopEvent != NoStop;
}

// The statuses a POSIX shell would give the same requests: Ctrl+C as
// SIGINT (130), Ctrl+Break as SIGQUIT (131, its key is Ctrl+\ there), a
// closed console, a logoff or a shutdown as SIGHUP (129), a lost output as
// SIGPIPE (141).
int StopStatus() {
  switch (StopEvent) {
    case CTRL_C_EVENT: return 130;
    case CTRL_BREAK_EVENT: return 131;
    case LostOutput: return 141;
    default: return 129;
  }
}

std::string StopName() {
  switch (StopEvent) {
    case CTRL_C_EVENT: return "Ctrl+C";
    case CTRL_BREAK_EVENT: return "Ctrl+Break";
    case CTRL_CLOSE_EVENT: return "closing the console";
    case CTRL_LOGOFF_EVENT: return "a logoff";
    case CTRL_SHUTDOWN_EVENT: return "a shutdown";
    case LostOutput: return "a lost output (its reader has gone)";
    default: return "a stop request";
  }
}

void StopHandled() {
  if (StopHandledEvent != nullptr) {
    (void)SetEvent(StopHandledEvent);
  }
}

std::string ReplaceFileDurably(const std::string& path, const std::string& text) {
  const std::wstring target = Wide(path);
  const std::wstring temporary = target + L".tmp-" + std::to_wstring(GetCurrentProcessId());
  (void)DeleteFileW(temporary.c_str());  // a leftover of a crashed run with the same number, if any
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return "cannot write " + path + ": " + ErrorText(GetLastError());
  }
  size_t written = 0;
  DWORD error = 0;
  while (written < text.size()) {
    DWORD wrote = 0;
    if ((WriteFile(file, text.data() + written, static_cast<DWORD>(std::min<size_t>(text.size() - written, 1 << 20)),
                   &wrote, nullptr) == 0) ||
        wrote == 0) {
      error = GetLastError();
      break;
    }
    written += wrote;
  }
  if (error == 0 && (FlushFileBuffers(file) == 0)) {
    error = GetLastError();
  }
  if ((CloseHandle(file) == 0) && error == 0) {
    error = GetLastError();
  }
  // Write-through: the move is on the disk when it returns.
  if (error == 0 && (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0)) {
    error = GetLastError();
  }
  if (error != 0) {
    (void)DeleteFileW(temporary.c_str());  // the old file stays as it was
    return "cannot write " + path + ": " + ErrorText(error);
  }
  return "";
}

bool IsExecutable(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(fs::path(Wide(path)), error);
}

std::string ProgramBesideSelf(const std::string& name) {
  wchar_t self[32768] = {};
  const DWORD length = GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
  if (length == 0 || length >= std::size(self)) {
    return name + ".exe";
  }
  return Narrow((fs::path(self).parent_path() / Wide(name + ".exe")).wstring());
}

std::optional<std::string> FindOnPath(const std::string& name) {
  const DWORD length = GetEnvironmentVariableW(L"PATH", nullptr, 0);
  std::wstring path(length, L'\0');
  path.resize(GetEnvironmentVariableW(L"PATH", path.data(), length));
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find(L';', start), path.size());
    const std::wstring folder = path.substr(start, end - start);
    start = end + 1;
    if (folder.empty()) {
      continue;
    }
    const std::string candidate = Narrow((fs::path(folder) / Wide(name + ".exe")).wstring());
    if (IsExecutable(candidate)) {
      return candidate;
    }
  }
  return std::nullopt;
}

// A console that reads escape sequences: the progress line redraws itself
// with them, so an older console gets plain lines instead.
bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0 &&
         (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void PrepareConsole() {
  // "±" and "–" are printed as UTF-8; a console shows them so on this code page.
  (void)SetConsoleOutputCP(CP_UTF8);  // without a console the bytes go to a file or pipe as they are
  HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(errors, &mode) != 0) {
    // Refused by consoles older than Windows 10, which then get plain lines.
    (void)SetConsoleMode(errors, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
}

std::string HostName() {
  wchar_t name[256] = {};
  DWORD length = static_cast<DWORD>(std::size(name));
  return GetComputerNameExW(ComputerNameDnsHostname, name, &length) != 0 ? Narrow(std::wstring(name, length)) : "unknown";
}

Machine DescribeMachine() {
  Machine machine;
  machine.Cpu = ProcessorBrand().value_or("");
  machine.Cores = static_cast<uint32_t>(GetActiveProcessorCount(ALL_PROCESSOR_GROUPS));
  machine.Arch = ArchitectureName();
  DescribeSystem(machine);
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  if (GlobalMemoryStatusEx(&memory) != 0) {
    machine.MemoryBytes = memory.ullTotalPhys;
  }
  return machine;
}

const char RaisedPriority[] = "high";

RunConditions DescribeConditions(const std::string& runFolder, std::optional<unsigned> cpu) {
  RunConditions conditions;
  std::error_code error;
  const fs::path folder = fs::absolute(fs::path(Wide(runFolder)), error);
  if (!error) {
    conditions.FileSystem = FileSystemOf(folder);
  }
  conditions.Priority = Priority();
  conditions.Virtualization = HypervisorFromProcessor();
  conditions.PowerSource = PowerSource();
  const std::string allowed = CpuListText(AllowedCpus());
  conditions.CpuAffinity = cpu ? std::optional(std::to_string(*cpu))
                               : allowed.empty() ? std::nullopt : std::optional(allowed);
  conditions.TimerResolutionMs = TickStep();
  return conditions;
}

std::optional<double> LoadAverage() {
  return std::nullopt;  // Windows keeps no load average
}

uint64_t PageBytes() {
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  return system.dwPageSize;
}

std::optional<uint64_t> AvailableMemory() {
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  return GlobalMemoryStatusEx(&memory) != 0 ? std::optional<uint64_t>(memory.ullAvailPhys) : std::nullopt;
}

std::string CpuProblem(unsigned cpu) {
  const std::vector<unsigned> allowed = AllowedCpus();
  if (std::find(allowed.begin(), allowed.end(), cpu) != allowed.end()) {
    return "";
  }
  return "CPU " + std::to_string(cpu) + " is not one this process may run on (" + CpuListText(allowed) + ")";
}
