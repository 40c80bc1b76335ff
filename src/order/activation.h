// Reaching into another program's input state from the GUI thread.
#pragma once

#include "platform/platform.h"

// What came of bringing a window forward.
enum class Activation {
  kInFront,  // active and in front
  kRefused,  // Windows refused the foreground switch
  kStalled,  // its thread did not take the activation within the bound
};

// Makes window the active, foreground window, waiting on its thread at most
// boundMs.  A stalled activation goes on alone; until it ends, the helper
// thread stays busy (platform::HelperThreadBusy).
Activation ForceActivate(platform::Hwnd window, unsigned boundMs);

// The foreground window and the control that has the keyboard focus in it,
// read without attaching to its thread.
struct FrontFocus {
  platform::Hwnd window = 0, focus = 0;
};
FrontFocus GetForegroundFocus();
