// The contract cases over real Windows: the peer is contract_peer.exe, a
// second process started for each case, and files live in a fresh folder
// under the temporary directory.  LINGBO_PEER_BITS (32, the default, or 64)
// chooses the peer's width: peers32\ or peers\ beside the test program.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

#include "contract/world.h"

namespace contract {

namespace {

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) out += digits[c >> 4], out += digits[c & 15];
  return out;
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

// Removes a folder and everything in it, read-only files included.
void RemoveTree(const std::string& dir) {
  const std::string from = dir + '\0';  // a list of one, ended by a second NUL
  const FILEOP_FLAGS quietly = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  SHFILEOPSTRUCTA remove{nullptr, FO_DELETE, from.c_str(), nullptr, quietly, FALSE, nullptr, nullptr};
  SHFileOperationA(&remove);
}

void MakeDirectories(const std::string& path) { SHCreateDirectoryExA(nullptr, path.c_str(), nullptr); }

HWND H(Hwnd window) { return reinterpret_cast<HWND>(static_cast<std::intptr_t>(window)); }

// Wine says who it is where Windows has nothing to say.
bool UnderWine() { return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

// An executable's width as its header states it; 0 when it cannot be read.
int BitsOf(const std::string& path) {
  DWORD type = 0;
  if (!GetBinaryTypeA(path.c_str(), &type)) return 0;
  return type == SCS_32BIT_BINARY ? 32 : type == SCS_64BIT_BINARY ? 64 : 0;
}

// Whether the file opens for writing with that sharing; closed again at once.
bool OpensForWriting(const std::string& path, DWORD share) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

int PeerBits() {
  const char* bits = std::getenv("LINGBO_PEER_BITS");
  return bits && std::string(bits) == "64" ? 64 : 32;
}

class Win32World : public World {
 public:
  ~Win32World() override { Reset(); }

  Peer Start(const PeerSpec& shape) override {
    const std::string stem = Scratch() + "\\peer" + std::to_string(++started_), out = stem + ".out",
                      log = stem + ".log";
    Peer peer;
    // A case that silently ran against the other width would prove nothing
    // about the peers it claims to stand for.
    if (const int bits = BitsOf(PeerExePath(shape)); bits != PeerBits()) {
      std::fprintf(stderr, "%s: %d-bit, expected %d-bit\n", PeerExePath(shape).c_str(), bits, PeerBits());
      return peer;
    }
    std::string command = "\"" + PeerExePath(shape) + "\" \"--out=" + out + "\" \"--log=" + log + "\"";
    if (shape.hangAfterMs) command += " --hang=" + std::to_string(shape.hangAfterMs);
    for (const PeerWindow& w : shape.windows) {
      std::string flags =
          std::string(w.visible ? "v" : "") + (w.minimized ? "m" : "") + (w.focused ? "f" : "") + (w.front ? "F" : "");
      command += " " + w.name + "," + w.className + "," + w.parent + "," + w.owner + "," +
                 (flags.empty() ? "-" : flags) + "," + Hex(w.title);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
      return peer;
    CloseHandle(info.hThread);
    // Wait for the peer's report of its windows.
    for (int i = 0; i < 200; ++i) {
      std::string text = ReadWhole(out);
      if (text.find("ready\n") != std::string::npos) {
        std::istringstream lines(text);
        std::string name;
        long handle;
        while (lines >> name && name != "ready" && lines >> handle)
          peer.windows.push_back({name, static_cast<Hwnd>(handle)});
        peer.processId = info.dwProcessId;
        processes_[peer.processId] = info.hProcess;
        logs_[peer.processId] = log;
        WaitForInputIdle(info.hProcess, 2000);
        Sleep(50);
        return peer;
      }
      if (WaitForSingleObject(info.hProcess, 50) == WAIT_OBJECT_0) break;
    }
    TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    return peer;
  }

  void End(const Peer& peer) override {
    auto it = processes_.find(peer.processId);
    if (it == processes_.end()) return;
    TerminateProcess(it->second, 0);
    WaitForSingleObject(it->second, 5000);
    CloseHandle(it->second);
    processes_.erase(it);
  }

  std::string PeerExePath(const PeerSpec& shape) override {
    std::string name = shape.plainVersion ? "contract_peer_plain.exe" : "contract_peer.exe";
    const std::string own = platform::GetModuleFileNameA();
    return own.substr(0, own.rfind('\\')) + (PeerBits() == 64 ? "\\peers\\" : "\\peers32\\") + name;
  }

  std::vector<PeerMessage> MessagesOf(const Peer& peer) override {
    std::vector<PeerMessage> all;
    std::istringstream lines(ReadWhole(logs_[peer.processId]));
    PeerMessage m;
    while (lines >> m.window >> m.message >> m.wParam >> m.lParam >> m.keyDown) all.push_back(m);
    return all;
  }

  std::string Directory() override {
    std::string dir = Scratch() + "\\files" + std::to_string(++directories_);
    MakeDirectories(dir);
    return dir;
  }

  void MakeFile(const std::string& path, const std::string& bytes) override {
    MakeDirectories(path.substr(0, path.rfind('\\')));
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string FileBytes(const std::string& path) override { return ReadWhole(path); }
  bool SetReadOnly(const std::string& path) override {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    return !OpensForWriting(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
  }
  bool OpenForWritingDenyingWriters(const std::string& path) override { return OpensForWriting(path, FILE_SHARE_READ); }
  bool RenameOver(const std::string& from, const std::string& to) override {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  }
  // Wine refuses to replace a file any handle holds open, whatever its
  // sharing (ERROR_ACCESS_DENIED); Windows lets a handle that shares delete.
  bool RenamesOverOpenFiles() override { return !UnderWine(); }
  std::uint64_t Now() override { return GetTickCount64(); }
  // What the peer really is, read off its header, whatever was asked for.
  bool RefusesThePeersModules() override { return UnderWine() && BitsOf(PeerExePath({})) == 32; }

  void Click(Hwnd control) override { ::SendMessageA(H(control), BM_CLICK, 0, 0); }
  void DoubleClick(Hwnd control) override {
    ::SendMessageA(H(control), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  }
  void RightButtonDown(Hwnd control) override {
    ::SendMessageA(H(control), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  }
  void TrayMouse(Hwnd bar, unsigned mouseMessage) override { ::SendMessageA(H(bar), WM_APP + 100, 100, mouseMessage); }
  void TaskbarCreated(Hwnd bar) override { ::SendMessageA(H(bar), ::RegisterWindowMessageA("TaskbarCreated"), 0, 0); }
  void PressHotKey(unsigned modifiers, unsigned vk) override {
    std::vector<BYTE> keys;
    for (const auto& [flag, key] : {std::pair{MOD_CONTROL, VK_CONTROL}, std::pair{MOD_ALT, VK_MENU},
                                    std::pair{MOD_SHIFT, VK_SHIFT}, std::pair{MOD_WIN, VK_LWIN}})
      if (modifiers & flag) keys.push_back(static_cast<BYTE>(key));
    keys.push_back(static_cast<BYTE>(vk));
    for (const BYTE key : keys) ::keybd_event(key, 0, 0, 0);
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) ::keybd_event(*key, 0, KEYEVENTF_KEYUP, 0);
  }
  void PressEscape(Hwnd control) override {
    HWND root = ::GetAncestor(H(control), GA_ROOT);
    ::SendMessageA(H(control), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    MSG escape{H(control), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
    if (::IsWindow(root)) ::IsDialogMessageA(root, &escape);
  }
  void Destroy(Hwnd ownWindow) override { ::DestroyWindow(H(ownWindow)); }
  void Pump(unsigned ms) override {
    for (const ULONGLONG end = ::GetTickCount64() + ms; ::GetTickCount64() < end; ::Sleep(5))
      for (MSG m; ::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);)
        if (m.message == WM_QUIT)
          OwnEvents().push_back("WM_QUIT");
        else
          ::TranslateMessage(&m), ::DispatchMessageA(&m);
  }
  bool BarEndsTheLoop() override { return true; }

  void Reset() {
    while (!processes_.empty()) End(Peer{processes_.begin()->first, {}});
    logs_.clear();
    if (!scratch_.empty()) RemoveTree(scratch_);
    scratch_.clear();
  }

 private:
  // A folder of this run for the peer's reports and the cases' files.
  std::string Scratch() {
    if (scratch_.empty()) {
      char temp[MAX_PATH];
      GetTempPathA(MAX_PATH, temp);
      scratch_ = std::string(temp) + "lingbo_contract_" + std::to_string(GetCurrentProcessId()) + "_" +
                 std::to_string(++runs_);
      RemoveTree(scratch_);  // process ids come back: a folder of an earlier run
      MakeDirectories(scratch_);
    }
    return scratch_;
  }

  std::map<std::uint32_t, HANDLE> processes_;
  std::map<std::uint32_t, std::string> logs_;
  std::string scratch_;
  int started_ = 0, directories_ = 0, runs_ = 0;
};

}  // namespace

World& TheWorld() {
  static Win32World world;
  return world;
}

void ResetWorld() { static_cast<Win32World&>(TheWorld()).Reset(); }

}  // namespace contract
