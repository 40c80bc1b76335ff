#include "support/client_scene.h"

#include "platform/sim/sim.h"

ClientScene AddTradingClient(const std::string& fieldClass, bool minimized) {
  ClientScene c;
  c.process = sim::AddProcess("C:\\broker\\client.exe");
  c.thread = sim::MainThreadOf(c.process);
  c.window = sim::CreateWindow({"BrokerFrame", "网上股票交易系统5.0", c.process, 0, 0, 0, true, minimized});
  c.button = sim::CreateWindow({"Button", "查询", c.process, 0, c.window});
  c.codeField = sim::CreateWindow({fieldClass, "999999", c.process, 0, c.window});
  sim::SetFocus(c.button);
  return c;
}

Notepad AddNotepad(std::uint32_t process) {
  Notepad n;
  if (!process) process = sim::AddProcess("C:\\Windows\\notepad.exe");
  n.window = sim::CreateWindow({"Notepad", "记事本", process});
  n.edit = sim::CreateWindow({"Edit", "memo", process, 0, n.window});
  return n;
}

void OpenFormOnKey(const ClientScene& client, std::int32_t hotKey, std::uint64_t delayMs, bool onlyWhenDown) {
  // Posted to the main window, or typed into whatever of the client's has the focus.
  for (platform::Hwnd window : {client.window, client.button}) {
    sim::OnMessage(window, [client, hotKey, delayMs, onlyWhenDown](const sim::Message& m) {
      if (m.posted && m.message == platform::kWmKeyDown && m.wParam == static_cast<std::uintptr_t>(hotKey) &&
          (m.keyDown || !onlyWhenDown))
        sim::At(delayMs, [client] { sim::SetFocus(client.codeField); });
    });
  }
}
