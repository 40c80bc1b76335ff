// Reaching into another program's input state from the GUI thread.
#pragma once

#include "platform/platform.h"

bool ForceActivate(platform::Hwnd window);
platform::Hwnd GetForegroundFocus();
