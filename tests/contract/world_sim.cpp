// The contract cases over the simulated desktop: the peer is a scripted
// process of the scene, built to look like the real peer program.
#include <algorithm>

#include "contract/world.h"
#include "platform/sim/sim.h"

namespace contract {

namespace {

class SimWorld : public World {
 public:
  Peer Start(const PeerSpec& shape) override {
    Peer peer;
    peer.processId = sim::AddProcess(PeerExePath(shape));
    sim::Make32Bit(peer.processId);  // as most real peers are
    Hwnd front = 0, focus = 0;
    for (const PeerWindow& w : shape.windows) {
      const Hwnd h = sim::CreateWindow(
          {w.className, w.title, peer.processId, 0, peer[w.parent], peer[w.owner], w.visible, w.minimized});
      peer.windows.push_back({w.name, h});
      if (w.front) front = h;
      if (w.focused) focus = h;
    }
    if (focus) sim::SetFocus(focus);
    if (front) sim::SetForeground(front);
    if (shape.hangAfterMs) {
      std::uint32_t thread = sim::MainThreadOf(peer.processId);
      sim::At(shape.hangAfterMs, [thread] { sim::SetHung(thread); });
    }
    return peer;
  }

  void End(const Peer& peer) override { sim::EndProcess(peer.processId); }
  bool RefusesThePeersModules() override { return true; }

  std::string PeerExePath(const PeerSpec& shape) override {
    return std::string("C:\\peers\\") + (shape.plainVersion ? "contract_peer_plain.exe" : "contract_peer.exe");
  }

  std::vector<PeerMessage> MessagesOf(const Peer& peer) override {
    std::vector<std::pair<sim::Message, std::string>> all;
    for (auto& w : peer.windows)
      for (const sim::Message& m : sim::Received(w.second))
        if (m.posted && (m.message == platform::kWmKeyDown || m.message == platform::kWmKeyUp))
          all.push_back({m, w.first});
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.first.time < b.first.time; });
    std::vector<PeerMessage> out;
    for (auto& m : all)
      out.push_back({m.second, m.first.message, static_cast<std::uint64_t>(m.first.wParam),
                     static_cast<std::uint64_t>(m.first.lParam) & 0xFFFFFFFFu, m.first.keyDown});
    return out;
  }

  std::string Directory() override {
    sim::MakeDirectory("C:\\contract");
    return "C:\\contract";
  }
  void MakeFile(const std::string& path, const std::string& bytes) override { sim::WriteFile(path, bytes); }
  std::string FileBytes(const std::string& path) override { return sim::FileContent(path); }
  bool SetReadOnly(const std::string& path) override {
    sim::SetReadOnly(path);
    return true;
  }
  bool OpenForWritingDenyingWriters(const std::string& path) override {
    return sim::OpenForWritingDenyingWriters(path);
  }
  bool RenameOver(const std::string& from, const std::string& to) override { return sim::RenameOver(from, to); }
  bool RenamesOverOpenFiles() override { return true; }
  std::uint64_t Now() override { return sim::Now(); }

  void Click(Hwnd control) override { sim::Click(control); }
  void DoubleClick(Hwnd control) override { sim::DoubleClick(control); }
  void RightButtonDown(Hwnd control) override { sim::RightButtonDown(control); }
  void TrayMouse(Hwnd, unsigned mouseMessage) override { sim::TrayMouse(mouseMessage); }
  void TaskbarCreated(Hwnd) override { sim::BroadcastTaskbarCreated(false); }
  void PressHotKey(unsigned modifiers, unsigned vk) override { sim::PressHotKey(modifiers, vk); }
  void PressEscape(Hwnd control) override { sim::PressEscape(control); }
  void Destroy(Hwnd ownWindow) override { sim::DestroyWindow(ownWindow); }
  void Pump(unsigned ms) override { sim::Advance(ms); }
  bool BarEndsTheLoop() override { return false; }
};

}  // namespace

World& TheWorld() {
  static SimWorld world;
  return world;
}

// The peer's executables lie on the disk from the start, as they do beside
// the Windows build.
void ResetWorld() {
  sim::Reset();
  PeerSpec plain;
  plain.plainVersion = true;
  const std::string path = TheWorld().PeerExePath({}), plainPath = TheWorld().PeerExePath(plain);
  sim::WriteFile(path, "MZ");
  sim::WriteFile(plainPath, "MZ");
  sim::SetVersionInfo(
      path, {{{0x0804, 0x04b0}},
             {{"080404b0\\FileDescription", World::PeerDescription()}, {"080404b0\\ProductName", "contract peer"}}});
  sim::SetVersionInfo(plainPath, {{}, {{"040904E4\\FileDescription", World::PeerDescription()}}});
}

}  // namespace contract
