// Key presses posted into another program's window.
#pragma once

#include <cstdint>

#include "platform/platform.h"

std::uint32_t MakeKeyLParam(std::int32_t keyCode, bool keyDown);
void PostKeyPress(platform::Hwnd window, std::int32_t keyCode);
