// Keys keyed into the trading client as a keyboard types them (SendInput),
// for clients that listen only to the keyboard.  The trader's own hands are
// on the same keyboard, so nothing is keyed unless it can only reach the
// client's own field, with no modifier of the trader's changing what it means.
//
// Words used throughout: "posted" is a message put in the client's queue
// (PostMessage), "keyed" is keyboard input (SendInput), and a key "pressed"
// went in either way.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// What became of keys to be keyed.  Only kKeyed keyed anything.
enum class Keyed {
  kNotTried,
  kKeyed,           // every key went in, in one SendInput
  kModifierHeld,    // Shift, Ctrl, Alt or Windows was held until the deadline
  kNotInFront,      // another program's window was in front
  kFocusElsewhere,  // the client was in front, but its code field had no focus
  kNoPlainKey,      // a character no key makes without a modifier on the layout, or no key at all
  kInputMethod,     // the client's input method would change the digits: full-width, or taken by a composition
  kInputCut,        // SendInput inserted fewer keys than given (a locked desktop); the keys it left down were let up
};

// Whether Shift, Ctrl, Alt and Windows are all up, or let go before the tick
// deadline; a key sent meanwhile would reach the client with them.
bool ModifiersLetGo(std::uint64_t deadline);
// Keys key (down, up) into the client, which must be in front.
Keyed KeyPress(platform::Hwnd client, std::int32_t key, std::uint64_t deadline);
// Keys code's ASCII digits into field, which must have the focus in the
// client, itself in front.  deadline: the tick until which a held modifier
// is waited for.
Keyed KeyDigits(platform::Hwnd client, platform::Hwnd field, const std::string& code, std::uint64_t deadline);
