// Window queries shared by the trading client locator and the quote poller.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

bool IsWindowAlive(platform::Hwnd window);
// The visible top-level windows (WS_VISIBLE in their style; minimised ones
// too), in Z order, topmost first.  No fixed capacity.
std::vector<platform::Hwnd> ListVisibleTopLevelWindows();
// The window's text, "" when it is not a window, has no text, or does not
// answer within the bound (or before the deadline, a GetTickCount64 time).
std::string ReadWindowText(platform::Hwnd window, std::uint64_t deadline = UINT64_MAX);

// Whether the window's thread answers a WM_NULL within timeoutMs; at once
// false for a thread Windows already counts as hung.
bool AnswersWithin(platform::Hwnd window, unsigned timeoutMs);

// Every question to another program's window: none while its thread counts
// as hung, and nothing of ours runs while the answer is awaited (a tray click
// sent meanwhile waits until the handler that asked has returned).
inline constexpr unsigned kQueryFlags = platform::kSmtoBlock | platform::kSmtoAbortIfHung;

// How long each of the two messages of a text read may wait, and how.  With
// a deadline (a GetTickCount64 time), each waits at most what is left of it.
struct TextBounds {
  unsigned flags = kQueryFlags;
  unsigned lengthTimeoutMs = 500, textTimeoutMs = 500;
  std::uint64_t deadline = UINT64_MAX;
};
// What is left of own before deadline; 0 once it has passed.
unsigned BoundBefore(std::uint64_t deadline, unsigned own);
// WM_GETTEXTLENGTH, then WM_GETTEXT into a buffer of that length, each
// within its bound; "" when either fails or the length is not believable.
std::string ReadWindowTextWithin(platform::Hwnd window, const TextBounds& bounds);
