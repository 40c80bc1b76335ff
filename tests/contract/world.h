// The world a contract case runs in: the simulated desktop (world_sim.cpp)
// or real Windows with a second process, the peer (world_win32.cpp).  The
// cases call platform:: directly and use this only for what the two worlds
// do differently: starting another program, the file system's root, what
// the other program saw.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace contract {

using platform::Hwnd;

// One window of the peer, created in the order given.
struct PeerWindow {
  std::string name;                        // how the case refers to it
  std::string className = "ContractPeer";  // "Edit" makes an edit control
  std::string title;                       // GBK
  std::string parent;                      // name of the parent: a child window
  std::string owner;                       // name of the owner: an owned pop-up
  bool visible = true;
  bool minimized = false;
  bool focused = false;  // gets the keyboard focus of its thread
  bool front = false;    // made the foreground window
};

struct PeerSpec {
  std::vector<PeerWindow> windows;
  // The peer's thread stops answering this long after its windows exist;
  // 0: never.
  unsigned hangAfterMs = 0;
  // Start the variant whose version resource has no translation table.
  bool plainVersion = false;
};

// A message the peer took from its queue (posted to it).
struct PeerMessage {
  std::string window;
  unsigned message = 0;
  std::uint64_t wParam = 0;
  std::uint64_t lParam = 0;
  bool keyDown = false;  // GetKeyState of its key in the peer, as it was taken
};

struct Peer {
  std::uint32_t processId = 0;
  std::vector<std::pair<std::string, Hwnd>> windows;
  Hwnd operator[](const std::string& name) const {
    for (auto& w : windows)
      if (w.first == name) return w.second;
    return 0;
  }
};

class World {
 public:
  virtual ~World() = default;
  // Starts a peer with the windows asked for; processId 0 when it failed.
  virtual Peer Start(const PeerSpec& shape) = 0;
  virtual void End(const Peer& peer) = 0;
  // The full path and file name of the peer's executable.
  virtual std::string PeerExePath(const PeerSpec& shape) = 0;
  // The messages the peer has taken from its queue so far, in order.
  virtual std::vector<PeerMessage> MessagesOf(const Peer& peer) = 0;
  // A fresh, empty directory for the case (no trailing "\").
  virtual std::string Directory() = 0;
  virtual void MakeFile(const std::string& path, const std::string& bytes) = 0;
  virtual std::string FileBytes(const std::string& path) = 0;
  // Marks the file read-only; false when writes to it would still succeed
  // here (Wine run by root ignores the attribute).
  virtual bool SetReadOnly(const std::string& path) = 0;
  // Another program takes the file for writing, others only reading it
  // meanwhile, and lets it go; false when that is refused.
  virtual bool OpenForWritingDenyingWriters(const std::string& path) = 0;
  // Another program replaces to by renaming from over it.
  virtual bool RenameOver(const std::string& from, const std::string& to) = 0;
  // Whether a rename may replace a file open with a handle that shares
  // delete (Windows; Wine refuses it while any handle is open).
  virtual bool RenamesOverOpenFiles() = 0;
  // Whether a module snapshot of the peer is refused: Wine refuses one of a
  // 32-bit peer (this test program is 64-bit); Windows lists what it can.
  virtual bool RefusesThePeersModules() = 0;
  // Milliseconds on the clock that platform::Sleep and time-outs run on.
  virtual std::uint64_t Now() = 0;

  // The user at the program's own windows.  The tray icon's callback is
  // kWmApp + 100; Escape comes both to the control and through the dialog
  // manager of its window.
  virtual void Click(Hwnd control) = 0;
  virtual void DoubleClick(Hwnd control) = 0;
  virtual void RightButtonDown(Hwnd control) = 0;
  virtual void TrayMouse(Hwnd bar, unsigned mouseMessage) = 0;
  virtual void TaskbarCreated(Hwnd bar) = 0;  // the shell announces a new taskbar
  // The keys of a combination (kMod* modifiers, then vk) typed on the keyboard
  // and let go at once.
  virtual void PressHotKey(unsigned modifiers, unsigned vk) = 0;
  virtual void PressEscape(Hwnd control) = 0;
  virtual void Destroy(Hwnd ownWindow) = 0;
  // The program's message loop runs for ms milliseconds.  Destroying the bar
  // ends it at once (WM_QUIT) where BarEndsTheLoop: the sim's ends at
  // ExitProcess alone.
  virtual void Pump(unsigned ms) = 0;
  virtual bool BarEndsTheLoop() = 0;
  // The FileDescription the peer's version resource holds (GBK).
  static std::string PeerDescription() { return "契约测试对端程序"; }
};

// What the program's own windows reported to events::, in order, as
// "OnBuyClicked()" or "OnTimer(7)"; and "WM_QUIT" when the loop was told to end.
std::vector<std::string>& OwnEvents();
// The message loop runs for ms milliseconds; what was reported since the
// last call (or the start of the case) is handed over and forgotten.
std::vector<std::string> Reported(unsigned ms);

// The world of this build; a fresh one (empty desktop apart from the peers
// a case starts) for every case.
World& TheWorld();
void ResetWorld();

}  // namespace contract
