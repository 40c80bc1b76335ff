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

// Why an action stopped before it tried to write the code, in the order of
// its steps: the steps before the one named all ran.
enum class Stopped {
  kNot,                  // it ran to its end: the code tried (see CodeWritten), or the function key pressed
  kNoCode,               // the code's value is not above 0
  kNotACode,             // the label shows something else (a chart's title)
  kKeyNotAllowed,        // the key is none of F1 to F24: it might press a button of the client's
  kEarlierStillStuck,    // an earlier click's activation is still stuck in the client
  kNoClient,             // no trading client found
  kHigherPrivilege,      // it runs above this program: Windows would drop whatever it was sent
  kClientSilent,         // the client did not answer
  kStalledOnActivation,  // it did not take its activation in time: no key pressed
  kModifierHeld,         // the trader held Shift, Ctrl, Alt or Windows throughout: no key posted
  kHotKeyNotKeyed,       // the hot key could not be keyed ("输入方式" 2): see OrderOutcome::keyed
  kKeyNotTaken,          // it was not done with the hot key in time
  kFocusNotMoved,        // the focus stayed in the field it was in before the key
  kOtherInFront,         // another program was in front at the last look
  kNoField,              // no "Edit" of the client had the focus within the looks
};

// How the write of the code went, once tried.
enum class CodeWritten {
  kNotTried,
  kReplaced,                  // replaced, and read back
  kKeyedAfterIgnoredReplace,  // the client ignored the replace; keyed, and read back
  kPostedBySetting,           // posted as characters ("输入方式" 1), and read back
  kKeyedBySetting,            // the hot key and the code keyed ("输入方式" 2), and read back
  kNotKeyed,                  // the keys were not keyed, or not all of them: see OrderOutcome::keyed
  kSelectFailed,              // the field did not take the selection: left alone
  kFieldSilent,               // the field stopped answering while it was replaced
  kNotReadBack,               // posted or keyed whole, but the field did not answer the read-back
  kNotLanded,                 // posted or keyed whole, but the field read back without the code
};
// Whether the code is in the field, read back.
bool Landed(CodeWritten written);

// How the key went in.
enum class KeyPressed { kNo, kPosted, kKeyed };

// What an action did, step by step, for the trader to look at afterwards and
// for the next action to start from.
struct OrderOutcome {
  // The trading client to remember: the one used, the one a search found,
  // or 0 when a search found none.
  platform::Hwnd client = 0;
  ClientReached reached = ClientReached::kNotNeeded;
  bool answered = false;         // the client answered before it was activated
  bool higherPrivilege = false;  // it runs above this program: Windows drops what we send it
  bool inFront = false;          // the foreground switch was granted
  std::int32_t key = 0;          // the key the action was to press
  KeyPressed pressed = KeyPressed::kNo;
  Keyed keyed = Keyed::kNotTried;  // the last keyboard input tried, and what became of it
  int looks = 0;                   // for the code field
  std::int64_t fieldAfterMs = -1;  // from the key to the focused "Edit" taken; -1: none
  std::string focusedClass;        // of the control focused at the last look
  std::string otherInFront;        // the title of another program's window in front at the last look
  platform::Hwnd codeField = 0;    // the field the code was written into
  Stopped stopped = Stopped::kNot;
  CodeWritten written = CodeWritten::kNotTried;
  std::string fieldText;  // what the field held when it was last read back
};

// Whether key is one the actions press: F1 to F24.  Enter, Space, Tab and
// the rest may press a button of the client's order form.
bool IsPressableKey(std::int32_t key);
// Whether text is a security code the actions write: five or six ASCII
// digits (a Hong Kong code has five), not all of them 0.
bool IsSecurityCode(const std::string& text);
// Brings the trading client forward, presses hotKey in it and writes code
// into the code field the key focused, the way entry says; all of it within
// about 2.5 s of the call.  Nothing at all for anything but a code.
// lastCodeField: the field the code last landed in (a second click finds
// the focus still there).
OrderOutcome OpenOrderForm(const std::string& code, platform::Hwnd rememberedClient, std::int32_t hotKey,
                           CodeEntry entry = CodeEntry::kReplace, platform::Hwnd lastCodeField = 0);
// Brings the trading client forward and presses functionKey in it.
OrderOutcome SendFunctionKey(platform::Hwnd rememberedClient, std::int32_t functionKey);
// Whether a code field's text holds code as a whole number: not preceded or
// followed by another digit ("SH600036" and "600036 招商银行" hold 600036,
// "6000361" does not).
bool HoldsCode(const std::string& fieldText, const std::string& code);
