// Window queries shared by the trading client locator and the quote poller.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

bool IsWindowAlive(platform::Hwnd window);
// The visible top-level windows (WS_VISIBLE in their style; minimised ones
// too), in Z order, topmost first.  No fixed capacity.
std::vector<platform::Hwnd> ListVisibleTopLevelWindows();
// The window's text, "" when it is not a window, has no text, or does not
// answer within the bound.
std::string ReadWindowText(platform::Hwnd window);
