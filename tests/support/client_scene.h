// A trading client on the simulated desktop, as the order actions meet it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// A main window whose title names it, a button that has the focus until the
// hot key opens the order form, and a code field that holds an old code.
struct ClientScene {
  std::uint32_t process = 0, thread = 0;
  platform::Hwnd window = 0, codeField = 0, button = 0;
};
ClientScene AddTradingClient(const std::string& fieldClass = "Edit", bool minimized = false);
// Another program the trader may click into: a window "记事本" and its "Edit"
// holding "memo", of their own process unless one is given.
struct Notepad {
  platform::Hwnd window = 0, edit = 0;
};
Notepad AddNotepad(std::uint32_t process = 0);
// On the press of hotKey, the client focuses its code field after delayMs;
// onlyWhenDown: only when the key is down in its thread's key state (typed on
// the keyboard), as clients that read the keyboard's state do.
void OpenFormOnKey(const ClientScene& client, std::int32_t hotKey, std::uint64_t delayMs, bool onlyWhenDown = false);
