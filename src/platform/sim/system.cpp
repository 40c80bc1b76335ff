// The simulated system: processes and tool help, version resources, files,
// profile files and the keyboard layout.
#include <algorithm>
#include <cstring>

#include "platform/sim/world.h"

namespace sim::detail {

std::string Lower(const std::string& text) {
  std::string out = text;
  for (std::size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 0x80)
      ++i;  // the trail byte of a GBK character stays as it is
    else if (c >= 'A' && c <= 'Z')
      out[i] = static_cast<char>(c + 32);
  }
  return out;
}

// A full Windows path with "\" separators and no doubled separators.  Paths
// without a drive are taken on drive C:, relative ones in the program's
// directory (the current directory of the simulated program).
std::string NormalPath(const std::string& path) {
  std::string p = path;
  std::replace(p.begin(), p.end(), '/', '\\');
  if (p.size() < 2 || p[1] != ':') p = (!p.empty() && p[0] == '\\' ? "C:" : "C:\\lingbo\\") + p;
  std::string out;
  for (char c : p)
    if (!(c == '\\' && !out.empty() && out.back() == '\\')) out += c;
  if (out.size() > 3 && out.back() == '\\') out.pop_back();
  return out;
}

std::string FileKey(const std::string& path) { return Lower(NormalPath(path)); }

static std::string ParentOf(const std::string& key) {
  std::size_t slash = key.rfind('\\');
  return slash == std::string::npos || slash < 2 ? std::string() : key.substr(0, slash == 2 ? 3 : slash);
}

static void MakeDirectories(const std::string& path) {
  std::string normal = NormalPath(path);
  for (std::size_t i = 3; i <= normal.size(); ++i)
    if (i == normal.size() || normal[i] == '\\')
      W().directories.emplace(Lower(normal.substr(0, i)), normal.substr(0, i));
}

static bool DirectoryExists(const std::string& key) {
  return key.size() == 3 || (key.size() == 2 && key[1] == ':') || W().directories.count(key) > 0;
}

static File* FileAt(const std::string& path) {
  auto it = W().files.find(FileKey(path));
  return path.empty() || it == W().files.end() ? nullptr : &it->second;
}

void ResetFiles() {
  World& world = W();
  world.directories["c:\\"] = "C:\\";
  MakeDirectories("C:\\Windows");
  MakeDirectories("C:\\lingbo");
  world.files[FileKey(kOwnExePath)] = {kOwnExePath, std::make_shared<std::string>("MZ")};
}

static Handle NewHandle(HandleObject object) {
  World& world = W();
  Handle h = world.nextHandle;
  world.nextHandle += 4;
  world.handles[h] = std::move(object);
  return h;
}

static HandleObject* HandleOf(Handle h, HandleObject::Kind kind) {
  auto it = W().handles.find(h);
  return it == W().handles.end() || it->second.kind != kind ? nullptr : &it->second;
}

// Logs a call about a handle ("ReadFile(8)") and finds what it stands for.
static HandleObject* HandleOf(const char* call, Handle h, HandleObject::Kind kind) {
  Log("%s(%lld)", call, static_cast<long long>(h));
  return HandleOf(h, kind);
}

Process* ProcessOf(std::uint32_t id) {
  for (auto& p : W().processes)
    if (p.id == id && p.running) return &p;
  return nullptr;
}

// Version resources: a block of records "key" NUL, 32-bit length, bytes,
// after a 4-byte signature.

// Empty for a file without a version resource.
static std::string VersionBlock(const std::string& path) {
  auto it = W().versions.find(FileKey(path));
  if (path.empty() || it == W().versions.end()) return "";
  const VersionInfo& info = it->second;
  std::string block = "SVI1";
  auto add = [&](const std::string& key, const std::string& value) {
    block += key + '\0';
    std::uint32_t n = static_cast<std::uint32_t>(value.size());
    for (int i = 0; i < 4; ++i) block += static_cast<char>((n >> (8 * i)) & 0xFF);
    block += value;
  };
  if (!info.translations.empty()) {
    std::string raw;
    for (auto& t : info.translations)
      for (std::uint16_t v : {t.first, t.second}) raw += static_cast<char>(v & 0xFF), raw += static_cast<char>(v >> 8);
    add("\\VarFileInfo\\Translation", raw);
  }
  for (auto& s : info.strings) add("\\StringFileInfo\\" + s.first, s.second + '\0');
  return block;
}

}  // namespace sim::detail

namespace sim {

using namespace detail;

std::uint32_t AddProcess(const std::string& exePath) {
  World& world = W();
  const std::uint32_t id = world.nextProcessId;
  world.nextProcessId += 4;
  world.processes.push_back({id, exePath, exePath.substr(exePath.find_last_of("\\/") + 1)});
  AddThread(id);
  return id;
}

std::uint32_t MainThreadOf(std::uint32_t process) {
  if (process == kOwnProcess) return kOwnThread;
  for (auto& t : W().threads)
    if (t.second.process == process) return t.first;
  return 0;
}

std::uint32_t AddThread(std::uint32_t process) {
  World& world = W();
  std::uint32_t id = world.nextThreadId;
  world.nextThreadId += 4;
  world.threads[id] = {process, false, static_cast<int>(world.queues.size())};
  world.queues.push_back({});
  return id;
}

void MoveOwnExecutable(const std::string& exePath) {
  W().ownExePath = exePath;
  WriteFile(exePath, "MZ");
  Process* own = ProcessOf(kOwnProcess);
  own->exePath = exePath;
  own->exeFile = exePath.substr(exePath.find_last_of('\\') + 1);
}

void EndProcess(std::uint32_t process) {
  World& world = W();
  Process* p = ProcessOf(process);
  if (!p || process == kOwnProcess) return;
  p->running = false;
  for (Hwnd h : std::vector<Hwnd>(world.topLevel))
    if (Find(h) && world.windows[h].process == process) Destroy(h);
  for (auto it = world.attachments.begin(); it != world.attachments.end();) {
    bool gone = world.threads[it->first].process == process || world.threads[it->second].process == process;
    it = gone ? world.attachments.erase(it) : it + 1;
  }
  for (auto it = world.threads.begin(); it != world.threads.end();)
    it = it->second.process == process ? world.threads.erase(it) : std::next(it);
}

void DenyModules(std::uint32_t process, bool denied) { SetIn(ProcessOf(process), &Process::modulesDenied, denied); }
void Make32Bit(std::uint32_t process) { SetIn(ProcessOf(process), &Process::is32Bit, true); }
void DenyOpenProcess(std::uint32_t process, bool denied) { SetIn(ProcessOf(process), &Process::openDenied, denied); }
void SetIntegrity(std::uint32_t process, std::uint32_t level) { SetIn(ProcessOf(process), &Process::integrity, level); }
void DenyToken(std::uint32_t process, bool denied) { SetIn(ProcessOf(process), &Process::tokenDenied, denied); }
void SetCodePage(unsigned codePage) { W().codePage = codePage; }
void FailSnapshots(bool fail) { W().failSnapshots = fail; }

void SetVersionInfo(const std::string& path, const VersionInfo& info) { W().versions[FileKey(path)] = info; }

void SetFileDescription(const std::string& path, const std::string& description, std::uint16_t language,
                        std::uint16_t codePage) {
  char key[16];
  std::snprintf(key, sizeof key, "%04x%04x", language, codePage);
  SetVersionInfo(path, {{{language, codePage}}, {{std::string(key) + "\\FileDescription", description}}});
}

void WriteFile(const std::string& path, const std::string& bytes) {
  MakeDirectories(ParentOf(NormalPath(path)));
  File& f = W().files[FileKey(path)];
  if (f.path.empty()) f.path = NormalPath(path);
  f.sparse = false;
  f.bytes = std::make_shared<std::string>(bytes);
  f.lastWrite = ++W().fileWrites;
}

void WriteSparseFile(const std::string& path, std::uint64_t size, char fill) {
  WriteFile(path, "");
  File& f = W().files[FileKey(path)];
  f.sparse = true;
  f.sparseSize = size;
  f.fill = fill;
}

std::string FileContent(const std::string& path) {
  const File* f = FileAt(path);
  if (!f) return "";
  return f->sparse ? std::string(static_cast<std::size_t>(std::min<std::uint64_t>(f->sparseSize, 1u << 20)), f->fill)
                   : *f->bytes;
}

bool FileExists(const std::string& path) { return W().files.count(FileKey(path)) > 0; }
void RemoveFile(const std::string& path) { W().files.erase(FileKey(path)); }
void MakeDirectory(const std::string& path) { MakeDirectories(path); }

// Whether a handle of the program's open on the file refuses what refuses.
static bool Refused(const std::string& path, const std::function<bool(const HandleObject&)>& refuses) {
  for (const auto& [handle, object] : W().handles)
    if (object.kind == HandleObject::Kind::kFile && object.fileKey == FileKey(path) && refuses(object)) return true;
  return false;
}

bool OpenForWritingDenyingWriters(const std::string& path) {
  // The new handle lets no other writer in, and must be let in to write.
  return FileAt(path) && !Refused(path, [](const HandleObject& h) { return !h.sharesWrite || h.writes; });
}

bool RenameOver(const std::string& from, const std::string& to) {
  File* source = FileAt(from);
  if (!source || Refused(to, [](const HandleObject& h) { return !h.sharesDelete; })) return false;
  File moved = *source;
  moved.path = NormalPath(to);
  moved.lastWrite = ++W().fileWrites;
  W().files.erase(FileKey(from));
  W().files[FileKey(to)] = moved;
  return true;
}

void SetReadOnly(const std::string& path, bool readOnly) { SetIn(FileAt(path), &File::readOnly, readOnly); }
void FailOpen(const std::string& path, bool fail) { SetIn(FileAt(path), &File::failOpen, fail); }

}  // namespace sim

// The seam

namespace platform {

using namespace sim::detail;

Handle CreateToolhelp32Snapshot(unsigned flags, std::uint32_t processId) {
  Log("CreateToolhelp32Snapshot(%u,%u)", flags, processId);
  World& world = W();
  if (world.failSnapshots) return kInvalidHandle;
  HandleObject snapshot;
  if (flags & kTh32csSnapProcess)
    for (auto& p : world.processes)
      if (p.running) snapshot.processes.push_back({p.id, p.exeFile});
  if (flags & kTh32csSnapModule) {
    const Process* p = ProcessOf(processId == 0 ? sim::kOwnProcess : processId);
    if (!p || p->modulesDenied || p->is32Bit || p->id == 0) return kInvalidHandle;
    snapshot.modules.push_back(p->exePath);
  }
  return NewHandle(std::move(snapshot));
}

static bool NextProcess(const char* call, Handle snapshot, bool first, ProcessEntry* entry) {
  HandleObject* s = HandleOf(call, snapshot, HandleObject::Kind::kSnapshot);
  if (!s) return false;
  if (first) s->next = 0;
  if (s->next >= s->processes.size()) return false;
  if (entry) *entry = s->processes[s->next];
  ++s->next;
  return true;
}

bool Process32First(Handle snapshot, ProcessEntry* entry) {
  return NextProcess("Process32First", snapshot, true, entry);
}
bool Process32Next(Handle snapshot, ProcessEntry* entry) {
  return NextProcess("Process32Next", snapshot, false, entry);
}

bool Module32First(Handle snapshot, ModuleEntry* entry) {
  HandleObject* s = HandleOf("Module32First", snapshot, HandleObject::Kind::kSnapshot);
  if (!s || s->modules.empty()) return false;
  if (entry) entry->exePath = s->modules.front();
  return true;
}

bool CloseHandle(Handle handle) {
  // A directory listing is closed with FindClose alone.
  return !HandleOf("CloseHandle", handle, HandleObject::Kind::kFind) && W().handles.erase(handle) > 0;
}

Handle OpenProcess(std::uint32_t access, std::uint32_t processId) {
  const Process* p = Logged(ProcessOf(processId), "OpenProcess(0x%x,%u)", access, processId);
  if (!p || p->openDenied || processId == 0) return 0;
  return NewHandle({HandleObject::Kind::kProcess, processId});
}

std::string QueryFullProcessImageNameA(Handle process) {
  const HandleObject* h = HandleOf("QueryFullProcessImageNameA", process, HandleObject::Kind::kProcess);
  // A handle outlives its process; the name is still there to be read.
  if (!h) return "";
  for (const Process& p : W().processes)
    if (p.id == h->processId) return p.exePath;
  return "";
}

std::uint32_t GetCurrentProcessId() { return Logged(sim::kOwnProcess, "GetCurrentProcessId()"); }

// Logs a call about a process or token handle and finds its running process.
static const Process* ProcessOfHandle(const char* call, Handle handle, HandleObject::Kind kind) {
  const HandleObject* h = HandleOf(call, handle, kind);
  return h ? ProcessOf(h->processId) : nullptr;
}

bool IsWow64Process(Handle process, bool* wow64) {
  const Process* p = ProcessOfHandle("IsWow64Process", process, HandleObject::Kind::kProcess);
  if (p && wow64) *wow64 = p->is32Bit;
  return p != nullptr;
}

Handle OpenProcessToken(Handle process) {
  const Process* p = ProcessOfHandle("OpenProcessToken", process, HandleObject::Kind::kProcess);
  if (!p || p->tokenDenied) return 0;
  return NewHandle({HandleObject::Kind::kToken, p->id});
}

bool GetTokenIntegrityLevel(Handle token, std::uint32_t* level) {
  const Process* p = ProcessOfHandle("GetTokenIntegrityLevel", token, HandleObject::Kind::kToken);
  if (p && level) *level = p->integrity;
  return p != nullptr;
}

unsigned GetACP() { return Logged(W().codePage, "GetACP()"); }
std::string GetModuleFileNameA() { return Logged(W().ownExePath, "GetModuleFileNameA()"); }

std::uint32_t GetFileVersionInfoSizeA(const std::string& path) {
  return Logged(static_cast<std::uint32_t>(VersionBlock(path).size()), "GetFileVersionInfoSizeA(%s)", path.c_str());
}

bool GetFileVersionInfoA(const std::string& path, std::uint32_t size, std::vector<std::uint8_t>* block) {
  const std::string bytes = Logged(VersionBlock(path), "GetFileVersionInfoA(%s,%u)", path.c_str(), size);
  if (bytes.empty() || !block) return false;
  block->assign(size, 0);
  std::memcpy(block->data(), bytes.data(), std::min<std::size_t>(size, bytes.size()));
  return true;
}

bool VerQueryValueA(const std::vector<std::uint8_t>& block, const std::string& subBlock, std::string* value) {
  Log("VerQueryValueA(%s)", subBlock.c_str());
  if (block.size() < 4 || std::memcmp(block.data(), "SVI1", 4) != 0) return false;
  std::string wanted = Lower(subBlock);
  std::size_t i = 4;
  while (i < block.size()) {
    const char* key = reinterpret_cast<const char*>(block.data() + i);
    std::size_t keyLength = strnlen(key, block.size() - i);
    if (i + keyLength + 5 > block.size()) return false;
    i += keyLength + 1;
    std::uint32_t n = 0;
    for (int b = 0; b < 4; ++b) n |= static_cast<std::uint32_t>(block[i + b]) << (8 * b);
    i += 4;
    if (n > block.size() - i) return false;
    if (Lower(std::string(key, keyLength)) == wanted) {
      std::string bytes(reinterpret_cast<const char*>(block.data() + i), n);
      if (wanted.rfind("\\stringfileinfo\\", 0) == 0) bytes = bytes.c_str();
      if (value) *value = bytes;
      return true;
    }
    i += n;
  }
  return false;
}

// Files

// "*" and "?" as Windows matches them (both texts lower-cased already); at
// the end of a name a remaining "." or ".*" still matches, so "*.*" lists
// names without a dot too.
static bool Matches(const char* pattern, const char* name) {
  for (;; ++pattern, ++name) {
    if (*pattern == '*') {
      while (*pattern == '*') ++pattern;
      if (!*pattern) return true;
      for (; *name; ++name)
        if (Matches(pattern, name)) return true;
      return Matches(pattern, name);
    }
    if (!*name) return !*pattern || std::strcmp(pattern, ".") == 0 || std::strcmp(pattern, ".*") == 0;
    if (!*pattern || (*pattern != '?' && *pattern != *name)) return false;
  }
}

Handle FindFirstFileA(const std::string& pattern, FindData* data) {
  Log("FindFirstFileA(%s)", pattern.c_str());
  World& world = W();
  if (pattern.empty() || pattern.back() == '\\' || pattern.back() == '/') return kInvalidHandle;
  std::string normal = NormalPath(pattern);
  std::size_t slash = normal.rfind('\\');
  std::string dirKey = Lower(normal.substr(0, slash == 2 ? 3 : slash));
  std::string namePattern = Lower(normal.substr(slash + 1));
  if (!DirectoryExists(dirKey)) return kInvalidHandle;
  std::vector<FindData> found;
  if (dirKey.size() > 3)
    for (const char* dot : {".", ".."})
      if (Matches(namePattern.c_str(), dot)) found.push_back({dot, true, 0});
  const std::size_t dots = found.size();
  auto consider = [&](const std::string& key, const std::string& path, bool directory, std::uint64_t size) {
    std::string name = path.substr(path.rfind('\\') + 1);
    if (ParentOf(key) == dirKey && key.size() > 3 && Matches(namePattern.c_str(), Lower(name).c_str()))
      found.push_back({name, directory, static_cast<std::uint32_t>(size & 0xFFFFFFFFu)});
  };
  for (auto& d : world.directories) consider(d.first, d.second, true, 0);
  for (auto& f : world.files) consider(f.first, f.second.path, false, f.second.Size());
  std::sort(found.begin() + dots, found.end(),
            [](const FindData& a, const FindData& b) { return Lower(a.fileName) < Lower(b.fileName); });
  if (found.empty()) return kInvalidHandle;
  HandleObject listing;
  listing.kind = HandleObject::Kind::kFind;
  listing.found = std::move(found);
  listing.next = 1;
  if (data) *data = listing.found.front();
  return NewHandle(std::move(listing));
}

bool FindNextFileA(Handle find, FindData* data) {
  HandleObject* listing = HandleOf("FindNextFileA", find, HandleObject::Kind::kFind);
  if (!listing || listing->next >= listing->found.size()) return false;
  if (data) *data = listing->found[listing->next];
  ++listing->next;
  return true;
}

bool FindClose(Handle find) {
  return HandleOf("FindClose", find, HandleObject::Kind::kFind) && W().handles.erase(find) > 0;
}

Handle OpenExistingFileShared(const std::string& path) {
  // A read-only file is opened for reading alone, as the real layer falls
  // back to.
  const File* f = Logged(FileAt(path), "OpenExistingFileShared(%s)", path.c_str());
  if (!f || f->failOpen) return kInvalidHandle;
  // Reading alone, sharing read, write and delete.
  return NewHandle({HandleObject::Kind::kFile, 0, FileKey(path)});
}

bool GetFileAttributesExA(const std::string& path, FileStamp* stamp) {
  const File* f = Logged(FileAt(path), "GetFileAttributesExA(%s)", path.c_str());
  if (f && stamp) *stamp = {f->Size(), f->lastWrite};
  return f != nullptr;
}

bool ReadFile(Handle file, void* buffer, std::uint32_t size, std::uint32_t* read) {
  Log("ReadFile(%lld,%u)", static_cast<long long>(file), size);
  if (read) *read = 0;
  HandleObject* f = HandleOf(file, HandleObject::Kind::kFile);
  if (!f) return false;
  auto it = W().files.find(f->fileKey);
  if (it == W().files.end()) return false;
  const File& data = it->second;
  std::uint64_t total = data.Size();
  std::uint64_t n = f->position >= total ? 0 : std::min<std::uint64_t>(size, total - f->position);
  if (n > 0 && buffer) {
    if (data.sparse)
      std::memset(buffer, data.fill, static_cast<std::size_t>(n));
    else
      std::memcpy(buffer, data.bytes->data() + f->position, static_cast<std::size_t>(n));
  }
  f->position += n;
  if (read) *read = static_cast<std::uint32_t>(n);
  return true;
}

// Profile files, by the rules of the profile API: names matched without
// regard to ASCII case and to blanks around them, values unquoted on reading,
// the file edited in place on writing.

namespace {

std::string Trim(const std::string& text) {
  const std::size_t a = text.find_first_not_of(" \t");
  return a == std::string::npos ? "" : text.substr(a, text.find_last_not_of(" \t") + 1 - a);
}

struct Line {
  std::string text;                // without its line end (line feed and the carriage returns before it)
  std::size_t start = 0, end = 0;  // byte range in the file, line end included
};

std::vector<Line> SplitLines(const std::string& file) {
  std::vector<Line> lines;
  std::size_t i = 0;
  while (i < file.size()) {
    std::size_t nl = file.find('\n', i);
    std::size_t next = nl == std::string::npos ? file.size() : nl + 1;
    std::string text = file.substr(i, (nl == std::string::npos ? file.size() : nl) - i);
    // Carriage returns before the line feed end the line with it: a file cut
    // after a lone one, then extended, must read and rewrite as it did.
    while (!text.empty() && text.back() == '\r') text.pop_back();
    lines.push_back({text, i, next});
    i = next;
  }
  return lines;
}

// The section name of a line "[name]": a line that starts with "[" and has
// a "]", the name ending at the last one.  Whatever follows it is ignored; a
// line "[text" without "]" is an ordinary line.
bool SectionName(const std::string& line, std::string* name) {
  std::string t = Trim(line);
  std::size_t close = t.rfind(']');
  if (t.empty() || t[0] != '[' || close == std::string::npos) return false;
  *name = Trim(t.substr(1, close - 1));
  return true;
}

// The key of a line "key=value".  A line without "=" is kept in the file but
// holds no value: reading its name gives the default.
bool KeyOf(const std::string& line, std::string* key, std::string* value, bool* hasValue) {
  std::string t = Trim(line);
  if (t.empty()) return false;
  std::size_t eq = t.find('=');
  *key = Trim(t.substr(0, eq));
  *value = eq == std::string::npos ? std::string() : Trim(t.substr(eq + 1));
  *hasValue = eq != std::string::npos;
  return true;
}

// A bare file name lies in the Windows directory.
std::string ProfilePath(const std::string& path) {
  return path.find_first_of("\\/") == std::string::npos ? "C:\\Windows\\" + path : path;
}

struct Located {
  int section = -1, key = -1, lastInSection = -1;
  bool hasValue = false;
  std::string value;
};

Located Locate(const std::vector<Line>& lines, const std::string& section, const std::string& key) {
  Located at;
  std::string wantSection = Lower(Trim(section)), wantKey = Lower(Trim(key));
  bool inSection = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string name, k, v;
    if (SectionName(lines[i].text, &name)) {
      if (inSection) break;  // only the first section of that name counts
      inSection = Lower(name) == wantSection;
      if (inSection) at.section = at.lastInSection = static_cast<int>(i);
      continue;
    }
    if (!inSection) continue;
    if (!Trim(lines[i].text).empty()) at.lastInSection = static_cast<int>(i);
    bool hasValue = false;
    if (KeyOf(lines[i].text, &k, &v, &hasValue) && Lower(k) == wantKey) {
      at.key = static_cast<int>(i);
      at.value = v;
      at.hasValue = hasValue;
      return at;
    }
  }
  return at;
}

}  // namespace

std::string GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                     const std::string& defaultValue, std::uint32_t bufferSize,
                                     const std::string& path) {
  Log("GetPrivateProfileStringA(%s,%s,%s,%u,%s)", section.c_str(), key.c_str(), defaultValue.c_str(), bufferSize,
      path.c_str());
  std::string result = defaultValue;
  while (!result.empty() && result.back() == ' ') result.pop_back();
  const File* f = FileAt(ProfilePath(path));
  if (f && !f->failOpen && !f->sparse) {
    Located at = Locate(SplitLines(*f->bytes), section, key);
    if (at.key >= 0 && at.hasValue) {
      result = at.value;
      if (result.size() >= 2 && (result[0] == '"' || result[0] == '\'') && result.back() == result[0])
        result = result.substr(1, result.size() - 2);
    }
  }
  return bufferSize == 0 ? "" : result.substr(0, bufferSize - 1);
}

bool WritePrivateProfileStringA(const std::string& section, const std::string& key, const std::string& value,
                                const std::string& path) {
  Log("WritePrivateProfileStringA(%s,%s,%s,%s)", section.c_str(), key.c_str(), value.c_str(), path.c_str());
  const std::string full = ProfilePath(path);
  if (Trim(section).empty() && Trim(key).empty()) return false;
  const File* f = FileAt(full);
  if (f ? f->readOnly || f->failOpen || f->sparse : !DirectoryExists(ParentOf(FileKey(full)))) return false;
  std::string file = f ? *f->bytes : std::string();
  std::vector<Line> lines = SplitLines(file);
  Located at = Locate(lines, section, key);
  // Leading blanks of the value go, and trailing spaces (a trailing tab stays).
  std::string stored = value.substr(std::min(value.size(), value.find_first_not_of(" \t")));
  while (!stored.empty() && stored.back() == ' ') stored.pop_back();
  std::string entry = Trim(key) + "=" + stored;
  if (at.key >= 0) {
    const Line& line = lines[at.key];
    std::string end = file.substr(line.start + line.text.size(), line.end - line.start - line.text.size());
    file.replace(line.start, line.end - line.start, entry + end);
  } else if (at.section >= 0) {
    const Line& last = lines[at.lastInSection];
    std::string insert = entry + "\r\n";
    if (last.end == file.size() && (file.empty() || file.back() != '\n')) insert = "\r\n" + insert;
    file.insert(last.end, insert);
  } else {
    if (!file.empty() && file.back() != '\n') file += "\r\n";
    file += "[" + Trim(section) + "]\r\n" + entry + "\r\n";
  }
  sim::WriteFile(full, file);
  return true;
}

// Keyboard: the scan codes of the US PC layout.

unsigned MapVirtualKeyA(unsigned code, unsigned mapType) {
  Log("MapVirtualKeyA(%u,%u)", code, mapType);
  if (mapType != kMapvkVkToVsc || code > 0xFF) return 0;
  static const struct {
    unsigned char vk, scan;
  } kTable[] = {
      {0x08, 0x0E}, {0x09, 0x0F}, {0x0D, 0x1C}, {0x10, 0x2A}, {0x11, 0x1D}, {0x12, 0x38}, {0x14, 0x3A}, {0x1B, 0x01},
      {0x20, 0x39}, {0x21, 0x49}, {0x22, 0x51}, {0x23, 0x4F}, {0x24, 0x47}, {0x25, 0x4B}, {0x26, 0x48}, {0x27, 0x4D},
      {0x28, 0x50}, {0x2D, 0x52}, {0x2E, 0x53}, {0x30, 0x0B}, {0x31, 0x02}, {0x32, 0x03}, {0x33, 0x04}, {0x34, 0x05},
      {0x35, 0x06}, {0x36, 0x07}, {0x37, 0x08}, {0x38, 0x09}, {0x39, 0x0A}, {'A', 0x1E},  {'B', 0x30},  {'C', 0x2E},
      {'D', 0x20},  {'E', 0x12},  {'F', 0x21},  {'G', 0x22},  {'H', 0x23},  {'I', 0x17},  {'J', 0x24},  {'K', 0x25},
      {'L', 0x26},  {'M', 0x32},  {'N', 0x31},  {'O', 0x18},  {'P', 0x19},  {'Q', 0x10},  {'R', 0x13},  {'S', 0x1F},
      {'T', 0x14},  {'U', 0x16},  {'V', 0x2F},  {'W', 0x11},  {'X', 0x2D},  {'Y', 0x15},  {'Z', 0x2C},  {0x60, 0x52},
      {0x61, 0x4F}, {0x62, 0x50}, {0x63, 0x51}, {0x64, 0x4B}, {0x65, 0x4C}, {0x66, 0x4D}, {0x67, 0x47}, {0x68, 0x48},
      {0x69, 0x49}, {0x6A, 0x37}, {0x6B, 0x4E}, {0x6D, 0x4A}, {0x6E, 0x53}, {0x6F, 0x35}, {0x70, 0x3B}, {0x71, 0x3C},
      {0x72, 0x3D}, {0x73, 0x3E}, {0x74, 0x3F}, {0x75, 0x40}, {0x76, 0x41}, {0x77, 0x42}, {0x78, 0x43}, {0x79, 0x44},
      {0x7A, 0x57}, {0x7B, 0x58}, {0x90, 0x45}, {0x91, 0x46}, {0xA0, 0x2A}, {0xA1, 0x36}, {0xA2, 0x1D}, {0xA3, 0x1D},
      {0xA4, 0x38}, {0xA5, 0x38}, {0xBA, 0x27}, {0xBB, 0x0D}, {0xBC, 0x33}, {0xBD, 0x0C}, {0xBE, 0x34}, {0xBF, 0x35},
      {0xC0, 0x29}, {0xDB, 0x1A}, {0xDC, 0x2B}, {0xDD, 0x1B}, {0xDE, 0x28},
  };
  for (auto& k : kTable)
    if (k.vk == code) return k.scan;
  return 0;
}

}  // namespace platform
