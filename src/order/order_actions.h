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
  kNoClient,                  // no trading client found
  kClientSilent,              // the client did not answer
  kNoField,                   // no "Edit" had the focus within the looks
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
  CodeWritten written = CodeWritten::kNotTried;
  std::string fieldText;  // what the field held when it was last read back
};

// Brings the trading client forward, presses hotKey in it and writes code
// into the code field its order form focuses, the way entry says.  Nothing
// at all for a code whose value is not above 0.
OrderOutcome OpenOrderForm(const std::string& code, platform::Hwnd rememberedClient, std::int32_t hotKey,
                           CodeEntry entry = CodeEntry::kReplace);
// Brings the trading client forward and presses functionKey in it.
OrderOutcome SendFunctionKey(platform::Hwnd rememberedClient, std::int32_t functionKey);
// Selects the edit's whole text and replaces it with text, each message
// answered within timeoutMs; false unless both were taken.  *selected tells
// whether the selection was (without it nothing is replaced).
bool ReplaceEditText(platform::Hwnd edit, const std::string& text, bool* selected = nullptr, unsigned timeoutMs = 2000);
// Whether a code field's text holds code as a whole number: not preceded or
// followed by another digit ("SH600036" and "600036 招商银行" hold 600036,
// "6000361" does not).
bool HoldsCode(const std::string& fieldText, const std::string& code);
