// The contract cases over real Windows: the peer is contract_peer.exe, a
// second process started for each case, and files live in a fresh folder
// under the temporary directory.  LINGBO_PEER_BITS (32, the default, or 64)
// chooses the peer's width: peers32\ or peers\ beside the test program.
#include <windows.h>

#include <cstdio>
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
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = dir + "\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(dir.c_str());
}

void MakeDirectories(const std::string& path) {
  for (std::size_t i = 3; i <= path.size(); ++i)
    if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

HWND H(Hwnd window) { return reinterpret_cast<HWND>(static_cast<std::intptr_t>(window)); }

std::string OwnDirectory() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string own(path, n);
  return own.substr(0, own.rfind('\\'));
}

// The machine field of an executable's PE header; 0 when it cannot be read.
WORD PeMachine(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  IMAGE_DOS_HEADER dos{};
  if (!in.read(reinterpret_cast<char*>(&dos), sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return 0;
  DWORD signature = 0;
  IMAGE_FILE_HEADER file{};
  in.seekg(dos.e_lfanew);
  if (!in.read(reinterpret_cast<char*>(&signature), sizeof signature) || signature != IMAGE_NT_SIGNATURE) return 0;
  return in.read(reinterpret_cast<char*>(&file), sizeof file) ? file.Machine : 0;
}

bool PeersAre64Bit() {
  char bits[8] = "";
  const DWORD n = GetEnvironmentVariableA("LINGBO_PEER_BITS", bits, sizeof bits);
  return n > 0 && n < sizeof bits && std::string(bits) == "64";
}

class Win32World : public World {
 public:
  ~Win32World() override { Reset(); }

  Peer Start(const PeerSpec& shape) override {
    std::string work = Scratch();
    std::string out = work + "\\peer" + std::to_string(++started_) + ".out";
    std::string log = work + "\\peer" + std::to_string(started_) + ".log";
    DeleteFileA(out.c_str());
    DeleteFileA(log.c_str());
    Peer peer;
    // A case that silently ran against the other width would prove nothing
    // about the peers it claims to stand for.
    const WORD machine = PeMachine(PeerExePath(shape));
    const WORD expected = PeersAre64Bit() ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
    if (machine != expected) {
      std::fprintf(stderr, "%s: machine 0x%x, expected 0x%x\n", PeerExePath(shape).c_str(), machine, expected);
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
    return OwnDirectory() + (PeersAre64Bit() ? "\\peers\\" : "\\peers32\\") + name;
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
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    CloseHandle(file);
    return false;
  }
  bool OpenForWritingDenyingWriters(const std::string& path) override {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
  }
  bool RenameOver(const std::string& from, const std::string& to) override {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  }
  // Wine refuses to replace a file any handle holds open, whatever its
  // sharing (ERROR_ACCESS_DENIED); Windows lets a handle that shares delete.
  bool RenamesOverOpenFiles() override {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr;
  }
  std::uint64_t Now() override { return GetTickCount64(); }
  // What the peer really is, read off its PE header, whatever was asked for.
  bool PeerIs32Bit() override { return PeMachine(PeerExePath({})) == IMAGE_FILE_MACHINE_I386; }
  bool RefusesModulesOfTheOtherWidth() override {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
  }

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
      if (scratch_.size() > 1 && scratch_[scratch_.size() - 1] == '\\') scratch_.pop_back();
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

Win32World& TheWin32World() {
  static Win32World world;
  return world;
}

}  // namespace

World& TheWorld() { return TheWin32World(); }

void ResetWorld() { TheWin32World().Reset(); }

}  // namespace contract
