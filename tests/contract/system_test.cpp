// Tool help snapshots, version resources and the file calls.
#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "contract/fixture.h"

namespace contract {
namespace {

using namespace platform;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::vector<ProcessEntry> AllProcesses() {
  std::vector<ProcessEntry> all;
  Handle snapshot = CreateToolhelp32Snapshot(kTh32csSnapAll, 0);
  if (snapshot == kInvalidHandle) return all;
  ProcessEntry entry;
  for (bool more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) all.push_back(entry);
  EXPECT_TRUE(CloseHandle(snapshot));
  return all;
}

std::string ModulePath(std::uint32_t process) {
  Handle snapshot = CreateToolhelp32Snapshot(kTh32csSnapModule, process);
  if (snapshot == kInvalidHandle) return "<none>";
  ModuleEntry entry;
  std::string path = Module32First(snapshot, &entry) ? entry.exePath : "<empty>";
  EXPECT_TRUE(CloseHandle(snapshot));
  return path;
}

// A walk ends and starts again, and the handle closes once.  The process
// snapshot lists the peer by its file name; its image name and, where the
// list is given at all, its first module give the executable's path; once it
// has ended, neither lists it.
TEST_F(ContractTest, SnapshotsAndTheImageNameFindTheOtherProgram) {
  Handle snapshot = CreateToolhelp32Snapshot(kTh32csSnapAll, 0);
  ASSERT_NE(snapshot, kInvalidHandle);
  ProcessEntry entry;
  ASSERT_TRUE(Process32First(snapshot, &entry));
  std::uint32_t first = entry.processId;
  while (Process32Next(snapshot, &entry)) {
  }
  EXPECT_FALSE(Process32Next(snapshot, &entry));
  ASSERT_TRUE(Process32First(snapshot, &entry)) << "First starts the walk again";
  EXPECT_EQ(entry.processId, first);
  EXPECT_TRUE(CloseHandle(snapshot));
  EXPECT_FALSE(CloseHandle(snapshot));

  Peer peer = Start({TopLevel("main")});
  std::vector<ProcessEntry> all = AllProcesses();
  auto it = std::find_if(all.begin(), all.end(), [&](const ProcessEntry& e) { return e.processId == peer.processId; });
  ASSERT_NE(it, all.end());
  EXPECT_EQ(Lower(it->exeFile), "contract_peer.exe");
  std::string own = GetModuleFileNameA();
  own = own.substr(own.rfind('\\') + 1);
  EXPECT_TRUE(std::any_of(all.begin(), all.end(), [&](const ProcessEntry& e) {
    return e.processId == GetCurrentProcessId() && Lower(e.exeFile) == Lower(own);
  })) << "this program by its own id and file name";
  for (std::size_t i = 1; i < all.size(); ++i) EXPECT_NE(all[i].processId, 0u) << "pid 0 can only come first";
  std::set<std::uint32_t> ids;
  for (auto& e : all) EXPECT_TRUE(ids.insert(e.processId).second) << e.processId;
  EXPECT_EQ(AllProcesses().size(), all.size()) << "a second snapshot lists the same";

  Handle process = OpenProcess(kProcessQueryLimitedInformation, peer.processId);
  ASSERT_NE(process, 0);
  EXPECT_EQ(Lower(QueryFullProcessImageNameA(process)), Lower(world().PeerExePath({})));
  EXPECT_TRUE(CloseHandle(process));
  EXPECT_EQ(OpenProcess(kProcessQueryLimitedInformation, 0), 0) << "0 is nobody's id here";

  EXPECT_EQ(Lower(ModulePath(peer.processId)),
            world().RefusesThePeersModules() ? "<none>" : Lower(world().PeerExePath({})));
  EXPECT_EQ(Lower(ModulePath(0)), Lower(GetModuleFileNameA())) << "process 0 is the caller";
  std::uint32_t ended = peer.processId;
  world().End(peer);
  Sleep(300);
  EXPECT_EQ(CreateToolhelp32Snapshot(kTh32csSnapModule, ended), kInvalidHandle);
  all = AllProcesses();
  EXPECT_TRUE(std::none_of(all.begin(), all.end(), [&](const ProcessEntry& e) { return e.processId == ended; }));
}

std::vector<std::uint8_t> VersionBlock(const std::string& path) {
  std::uint32_t size = GetFileVersionInfoSizeA(path);
  std::vector<std::uint8_t> block;
  if (size == 0 || !GetFileVersionInfoA(path, size, &block)) block.clear();
  return block;
}

// The peer's version resource answers its translation and strings; the
// variant without a translation table still has its strings; a file
// without resources has none.
TEST_F(ContractTest, VersionResourcesAnswerTranslationAndStrings) {
  PeerSpec plain;
  plain.plainVersion = true;
  const std::vector<std::uint8_t> block = VersionBlock(world().PeerExePath({})),
                                  plainBlock = VersionBlock(world().PeerExePath(plain));
  ASSERT_FALSE(block.empty());
  ASSERT_FALSE(plainBlock.empty());
  std::string value;
  ASSERT_TRUE(VerQueryValueA(block, "\\VarFileInfo\\Translation", &value));
  EXPECT_EQ(value, std::string("\x04\x08\xb0\x04", 4));
  EXPECT_FALSE(VerQueryValueA(plainBlock, "\\VarFileInfo\\Translation", &value) && !value.empty());
  struct {
    const std::vector<std::uint8_t>& block;
    const char* query;
    bool found;
    std::string value;
  } cases[] = {
      {block, "\\StringFileInfo\\080404b0\\FileDescription", true, World::PeerDescription()},
      {block, "\\StringFileInfo\\080404B0\\FileDescription", true, World::PeerDescription()},
      {block, "\\stringfileinfo\\080404b0\\filedescription", true, World::PeerDescription()},
      {block, "\\StringFileInfo\\080404b0\\ProductName", true, "contract peer"},
      {block, "\\StringFileInfo\\040904E4\\FileDescription", false, ""},
      {block, "\\StringFileInfo\\080404b0\\Comments", false, ""},
      {plainBlock, "\\StringFileInfo\\040904E4\\FileDescription", true, World::PeerDescription()},
  };
  for (auto& c : cases) {
    std::string got;
    EXPECT_EQ(VerQueryValueA(c.block, c.query, &got), c.found) << c.query;
    if (c.found) {
      EXPECT_EQ(got, c.value) << c.query;
    }
  }
  std::string dir = world().Directory();
  world().MakeFile(dir + "\\plain.txt", "no resources here");
  EXPECT_EQ(GetFileVersionInfoSizeA(dir + "\\plain.txt"), 0u);
  EXPECT_EQ(GetFileVersionInfoSizeA(dir + "\\missing.exe"), 0u);
  EXPECT_EQ(GetFileVersionInfoSizeA(""), 0u);
}

std::string ReadAll(Handle file, std::uint32_t chunk) {
  std::string all;
  std::vector<char> buffer(chunk);
  std::uint32_t read = 0;
  while (ReadFile(file, buffer.data(), chunk, &read) && read > 0) all.append(buffer.data(), read);
  return all;
}

// Every name a listing gives, with "." and ".." where they came.
std::vector<FindData> List(const std::string& pattern, bool* valid = nullptr) {
  std::vector<FindData> all;
  FindData data;
  Handle find = FindFirstFileA(pattern, &data);
  if (valid) *valid = find != kInvalidHandle;
  if (find == kInvalidHandle) return all;
  do all.push_back(data);
  while (FindNextFileA(find, &data));
  EXPECT_TRUE(FindClose(find));
  return all;
}

std::set<std::string> Names(const std::vector<FindData>& list) {
  std::set<std::string> names;
  for (auto& d : list)
    if (d.fileName != "." && d.fileName != "..") names.insert(d.fileName);
  return names;
}

// Listings name files and folders; shared opens read existing files in
// chunks, read-only ones too.
TEST_F(ContractTest, DirectoryListingsAndSharedOpens) {
  std::string dir = world().Directory();
  world().MakeFile(dir + "\\data\\sh\\SH_STKINFO.dat", std::string(1000, 'x'));
  world().MakeFile(dir + "\\data\\sh\\other.txt", "abc");
  world().MakeFile(dir + "\\data\\sh\\stkinfo_lower.dat", "");
  world().MakeFile(dir + "\\data\\sh\\STKINFO60\\inner.dat", "1");
  std::vector<FindData> all = List(dir + "\\data\\sh\\*");
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ(all[0].fileName, ".");
  EXPECT_EQ(all[1].fileName, "..");
  EXPECT_TRUE(all[0].isDirectory && all[1].isDirectory);
  EXPECT_EQ(Names(all), (std::set<std::string>{"SH_STKINFO.dat", "other.txt", "stkinfo_lower.dat", "STKINFO60"}));
  const std::map<std::string, std::uint32_t> sizes = {{"SH_STKINFO.dat", 1000}, {"other.txt", 3}};
  for (auto& d : all) {
    EXPECT_EQ(d.isDirectory, d.fileName == "STKINFO60" || d.fileName == "." || d.fileName == "..") << d.fileName;
    if (sizes.count(d.fileName)) {
      EXPECT_EQ(d.fileSizeLow, sizes.at(d.fileName)) << d.fileName;
    }
  }
  const std::pair<std::string, std::set<std::string>> listings[] = {
      {"\\data\\sh\\*STKINFO*", {"SH_STKINFO.dat", "stkinfo_lower.dat", "STKINFO60"}},
      {"\\data\\sh\\*.txt", {"other.txt"}},
      {"\\data\\sh\\OTHER.TXT", {"other.txt"}},
      {"\\DATA\\SH\\other.tx?", {"other.txt"}},
      {"\\data\\sh\\none*", {}},
      {"\\data\\sz\\*", {}},
      {"\\data\\sh\\", {}},
      {"\\data\\sh", {"sh"}},
  };
  for (auto& [pattern, names] : listings) {
    bool valid = false;
    EXPECT_EQ(Names(List(dir + pattern, &valid)), names) << pattern;
    EXPECT_EQ(valid, !names.empty()) << pattern;
  }

  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(i * 7);
  world().MakeFile(dir + "\\table.dat", bytes);
  for (std::uint32_t chunk : {1u, 333u, 4096u, 100000u}) {
    Handle file = OpenExistingFileShared(dir + "\\TABLE.DAT");
    ASSERT_NE(file, kInvalidHandle);
    EXPECT_EQ(ReadAll(file, chunk), bytes) << chunk;
    std::uint32_t read = 9;
    char c;
    EXPECT_TRUE(ReadFile(file, &c, 1, &read));
    EXPECT_EQ(read, 0u) << "at the end";
    EXPECT_TRUE(CloseHandle(file));
  }
  Handle a = OpenExistingFileShared(dir + "\\table.dat");
  Handle b = OpenExistingFileShared(dir + "\\table.dat");
  EXPECT_NE(a, kInvalidHandle);
  EXPECT_NE(b, kInvalidHandle) << "no sharing restriction";
  // The charting program rewrites its tables while we may hold one: it takes
  // one for writing with other writers denied, or renames a new one over it.
  EXPECT_TRUE(world().OpenForWritingDenyingWriters(dir + "\\table.dat"));
  world().MakeFile(dir + "\\table.new", "new");
  const bool renamedWhileOpen = world().RenameOver(dir + "\\table.new", dir + "\\table.dat");
  EXPECT_EQ(renamedWhileOpen, world().RenamesOverOpenFiles());
  CloseHandle(a);
  CloseHandle(b);
  EXPECT_TRUE(renamedWhileOpen || world().RenameOver(dir + "\\table.new", dir + "\\table.dat"));
  EXPECT_EQ(world().FileBytes(dir + "\\table.dat"), "new");
  EXPECT_EQ(OpenExistingFileShared(dir + "\\missing.dat"), kInvalidHandle);
  EXPECT_EQ(OpenExistingFileShared(dir), kInvalidHandle) << "a folder is no file";

  // The tables are only read: a read-only file must not become unreadable
  // because the open also asks for write access.
  world().MakeFile(dir + "\\locked.dat", "abc");
  world().SetReadOnly(dir + "\\locked.dat");
  Handle file = OpenExistingFileShared(dir + "\\locked.dat");
  ASSERT_NE(file, kInvalidHandle);
  EXPECT_EQ(ReadAll(file, 8), "abc");
  EXPECT_TRUE(CloseHandle(file));
}

}  // namespace
}  // namespace contract
