// Keys typed into the trading client as a keyboard types them (SendInput),
// for clients that listen only to the keyboard.  The trader's own hands are
// on the same keyboard, so nothing is typed unless it can only reach the
// client's own field, with no modifier of the trader's changing what it means.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// What became of keys to be typed.  Only kTyped typed anything.
enum class RealKeys {
  kNotTried,
  kTyped,           // every key went in, in one SendInput
  kModifierHeld,    // Shift, Ctrl, Alt or Windows was held until the deadline
  kNotInFront,      // another program's window was in front
  kFocusElsewhere,  // the client was in front, but its code field had no focus
  kNoPlainKey,      // a character no key makes without a modifier on the layout, or no key at all
  kInputCut,        // SendInput inserted fewer keys than given (a locked desktop, a client above us)
};

// Whether Shift, Ctrl, Alt and Windows are all up, or let go before the tick
// deadline; a key sent meanwhile would reach the client with them.
bool ModifiersLetGo(std::uint64_t deadline);
// Presses key (down, up) into the client, which must be in front.
RealKeys PressRealKey(platform::Hwnd client, std::int32_t key, std::uint64_t deadline);
// Types code's ASCII digits into field, which must have the focus in the
// client, itself in front.  deadline: the tick until which a held modifier
// is waited for.
RealKeys TypeRealKeys(platform::Hwnd client, platform::Hwnd field, const std::string& code, std::uint64_t deadline);
