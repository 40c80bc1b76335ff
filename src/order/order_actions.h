// The buy, sell and function-key actions.
#pragma once

#include <cstdint>
#include <string>

#include "order/real_keys.h"
#include "platform/platform.h"
#include "settings/settings.h"

// How long an action waits for the trading client to show that it answers.
inline constexpr unsigned kClientAnswerTimeoutMs = 500;

// How the action reached the trading client.
enum class ClientReached { kNotNeeded, kRemembered, kSearched, kNotFound };

// How the code went into the code field, or why it did not.
enum class CodeWritten {
  kNotTried,                  // the function key, which writes nothing
  kReplaced,                  // replaced, and read back
  kKeyedAfterIgnoredReplace,  // the client ignored the replace; typed on the keyboard, and read back
  kTypedBySetting,            // typed ("输入方式" 1), and read back
  kKeyedBySetting,            // the hot key and the code typed on the keyboard ("输入方式" 2), and read back
  kNotKeyed,                  // the keys were not typed, or not all of them: see OrderOutcome::realKeys
  kNoCode,                    // the code's value is not above 0
  kNotACode,                  // the label shows something else (a chart's title)
  kEarlierStillStuck,         // an earlier click's activation is still stuck in the client
  kNoClient,                  // no trading client found
  kClientSilent,              // the client did not answer
  kStalledOnActivation,       // it did not take its activation in time: no key posted
  kModifierHeld,              // the trader held Shift, Ctrl, Alt or Windows throughout: no key posted
  kKeyNotTaken,               // it was not done with the hot key in time
  kOtherInFront,              // another program was in front at the last look
  kNoField,                   // no "Edit" of the client had the focus within the looks
  kSelectFailed,              // the field did not take the selection: left alone
  kFieldSilent,               // the field stopped answering while it was replaced
  kTypedNotReadBack,          // typed whole (either way), but the field did not answer the read-back
  kNotLanded,                 // typed whole (either way), but the field read back without the code
};

// What an action did, step by step, for the trader to look at afterwards and
// for the next action to start from.
struct OrderOutcome {
  // The trading client to remember: the one used, the one a search found,
  // or 0 when a search found none.
  platform::Hwnd client = 0;
  ClientReached reached = ClientReached::kNotNeeded;
  bool answered = false;                    // the client answered before it was activated
  bool higherPrivilege = false;             // it runs above this program: Windows drops our keys
  bool inFront = false;                     // the foreground switch was granted
  std::int32_t keyPosted = 0;               // the key pressed, posted or on the keyboard; 0: none
  bool keyOnKeyboard = false;               // the hot key went in as keyboard input ("输入方式" 2)
  RealKeys realKeys = RealKeys::kNotTried;  // the last keyboard input tried, and what became of it
  std::int64_t fieldAfterMs = -1;           // from the key to the focused "Edit"; -1: none
  std::string focusedClass;                 // of the control focused at the last look
  std::string otherInFront;                 // the title of another program's window in front at the last look
  CodeWritten written = CodeWritten::kNotTried;
  std::string fieldText;  // what the field held when it was last read back
};

// Whether text is a security code the actions write: five or six ASCII
// digits (a Hong Kong code has five), not all of them 0.
bool IsSecurityCode(const std::string& text);
// Brings the trading client forward, presses hotKey in it and writes code
// into the code field its order form focuses, the way entry says; all of it
// within about 2.5 s of the call.  Nothing at all for anything but a code.
OrderOutcome OpenOrderForm(const std::string& code, platform::Hwnd rememberedClient, std::int32_t hotKey,
                           CodeEntry entry = CodeEntry::kReplace);
// Brings the trading client forward and presses functionKey in it.
OrderOutcome SendFunctionKey(platform::Hwnd rememberedClient, std::int32_t functionKey);
// Whether a code field's text holds code as a whole number: not preceded or
// followed by another digit ("SH600036" and "600036 招商银行" hold 600036,
// "6000361" does not).
bool HoldsCode(const std::string& fieldText, const std::string& code);
