// Key presses posted into another program's window.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// The keys a real keyboard reports with the extended-key bit: the navigation
// block, the Windows and menu keys, numeric-pad divide and Num Lock.
bool IsExtendedKey(std::int32_t keyCode);
std::uint32_t MakeKeyLParam(std::int32_t keyCode, bool keyDown);
void PostKeyPress(platform::Hwnd window, std::int32_t keyCode);
