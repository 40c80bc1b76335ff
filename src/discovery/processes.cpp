#include "discovery/processes.h"

#include "text/text.h"

namespace {

// A snapshot or an opened process, closed on every way out of the scope that
// took it.
class OwnedHandle {
 public:
  explicit OwnedHandle(platform::Handle handle) : handle_(handle) {}
  ~OwnedHandle() {
    if (valid()) platform::CloseHandle(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  bool valid() const { return handle_ != platform::kInvalidHandle && handle_ != 0; }
  platform::Handle get() const { return handle_; }

 private:
  platform::Handle handle_;
};

// The process walks read only the process entries.  A snapshot of
// everything would also list every thread in the system and walk this
// program's heaps and modules, entries nobody reads: under Wine that made each
// snapshot take 25 to 50 ms, and a search for the trading client takes several.
constexpr unsigned kProcessesOnly = platform::kTh32csSnapProcess;

// A chain of parents and owners is never this deep; the bound only keeps a
// corrupt chain (a cycle) from spinning forever.
constexpr int kMaxChainDepth = 4096;

}  // namespace

std::vector<ProcessRecord> ListProcesses() {
  std::vector<ProcessRecord> processes;
  OwnedHandle snapshot(platform::CreateToolhelp32Snapshot(kProcessesOnly, 0));
  if (!snapshot.valid()) return processes;
  platform::ProcessEntry entry;
  for (bool more = platform::Process32First(snapshot.get(), &entry); more;
       more = platform::Process32Next(snapshot.get(), &entry)) {
    if (entry.processId == 0) continue;  // the idle process is nobody's window owner
    processes.push_back({entry.processId, entry.exeFile});
  }
  return processes;
}

std::uint32_t ProcessIdOfWindow(platform::Hwnd window) {
  platform::Hwnd root = window;
  for (int depth = 0; depth < kMaxChainDepth; ++depth) {
    platform::Hwnd up = platform::GetParent(root);
    if (up == 0) break;
    root = up;
  }
  return OwnProcessOfWindow(root);
}

std::uint32_t OwnProcessOfWindow(platform::Hwnd window) {
  std::uint32_t processId = 0;
  platform::GetWindowThreadProcessId(window, &processId);
  return processId;
}

std::string ProcessFileNameOfWindow(platform::Hwnd window) {
  const std::uint32_t processId = ProcessIdOfWindow(window);
  if (processId == 0) return "";
  return ExeNameIn(ListProcesses(), processId);
}

std::string ExeNameIn(const std::vector<ProcessRecord>& processes, std::uint32_t processId) {
  for (const ProcessRecord& process : processes) {
    if (process.processId == processId) return process.exeName;
  }
  return "";
}

std::uint32_t FirstProcessIdIn(const std::vector<ProcessRecord>& processes, const std::string& fileName) {
  if (fileName.empty()) return 0;  // no executable has an empty name
  const std::string wanted = LowerAscii(fileName);
  for (const ProcessRecord& process : processes) {
    if (LowerAscii(process.exeName) == wanted) return process.processId;
  }
  return 0;
}

std::uint32_t FindProcessIdByFileName(const std::string& fileName) {
  if (fileName.empty()) return 0;  // no snapshot for a name nothing has
  // The idle process, left out of the list, owns no window and so lends no
  // name to look for.
  return FirstProcessIdIn(ListProcesses(), fileName);
}

Bitness ProcessBitness(std::uint32_t processId) {
  OwnedHandle process(platform::OpenProcess(platform::kProcessQueryLimitedInformation, processId));
  bool wow64 = false;
  if (!process.valid() || !platform::IsWow64Process(process.get(), &wow64)) return Bitness::kUnknown;
  return wow64 ? Bitness::k32 : Bitness::k64;
}

namespace {

// The integrity level of a process's token; false when it cannot be told.
bool IntegrityOf(std::uint32_t processId, std::uint32_t* level) {
  OwnedHandle process(platform::OpenProcess(platform::kProcessQueryLimitedInformation, processId));
  if (!process.valid()) return false;
  OwnedHandle token(platform::OpenProcessToken(process.get()));
  return token.valid() && platform::GetTokenIntegrityLevel(token.get(), level);
}

}  // namespace

Privilege ComparePrivilege(std::uint32_t processId) {
  std::uint32_t theirs = 0, ours = 0;
  if (!IntegrityOf(processId, &theirs) || !IntegrityOf(platform::GetCurrentProcessId(), &ours)) {
    return Privilege::kUnknown;
  }
  return theirs > ours ? Privilege::kHigher : Privilege::kNotHigher;
}

std::string MainModulePath(std::uint32_t processId) {
  // The peers traders run are mostly 32-bit, and a 64-bit program may not
  // list their modules; their image name it may always ask for.
  if (processId != 0) {
    OwnedHandle process(platform::OpenProcess(platform::kProcessQueryLimitedInformation, processId));
    if (process.valid()) {
      std::string path = platform::QueryFullProcessImageNameA(process.get());
      if (!path.empty()) return path;
    }
  }
  // Process 0 is this program itself, which only a snapshot names that way;
  // and a process that refuses to be opened may still show its modules.
  OwnedHandle snapshot(platform::CreateToolhelp32Snapshot(platform::kTh32csSnapModule, processId));
  if (!snapshot.valid()) return "";
  // The first module of a process is its executable.  A refused walk leaves
  // the entry empty, and so the path.
  platform::ModuleEntry entry;
  platform::Module32First(snapshot.get(), &entry);
  return entry.exePath;
}
