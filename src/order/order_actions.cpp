#include "order/order_actions.h"

#include <algorithm>
#include <cstring>

#include "discovery/processes.h"
#include "discovery/trading_client.h"
#include "discovery/windows.h"
#include "order/activation.h"
#include "order/keystrokes.h"
#include "order/real_keys.h"
#include "text/text.h"

namespace {

// Pauses that give the trading client time to come forward and to open its
// order form.  They block the GUI thread on purpose: nothing of ours may run,
// and the code may not change, while an action is under way.
constexpr unsigned kSettleMs = 10;
constexpr unsigned kFormOpenMs = 200;
constexpr int kFieldLooks = 20;
constexpr unsigned kFieldLookPauseMs = 100;

constexpr const char* kCodeFieldClass = "Edit";
constexpr int kClassNameBuffer = 259;

// From the click to the end of an action, whatever the client does: past it
// each message to the code field still gets this least bound.
constexpr unsigned kActionBoundMs = 2500;
constexpr unsigned kLeastReplyMs = 100;
// How long one message to the code field may take.  A trading client that has
// stopped pumping messages must not freeze the bar with it.
constexpr unsigned kFieldReplyTimeoutMs = 2000;
// Reading the field back is quick for a client that answers at all.
constexpr unsigned kReadBackTimeoutMs = 500;
// Typed characters wait in the client's queue behind what it is busy with,
// and a read-back is answered before them: the field is read again after
// this pause until it holds the code or the action's time is up.
constexpr unsigned kReadBackPauseMs = 10;
// Enough of the field to find the code in it; clients that fill in the name
// and price after it make it longer.
constexpr std::size_t kReadBackBuffer = 256;

// Every send of an action waits without letting in what other programs send
// the bar meanwhile (a tray click, say): nothing of ours may run inside it.
constexpr unsigned kSendFlags = platform::kSmtoBlock | platform::kSmtoAbortIfHung;

// When the action must be over.
class ActionClock {
 public:
  ActionClock() : end_(platform::GetTickCount64() + kActionBoundMs) {}
  // A message's bound: its own, cut to what is left of the action.
  unsigned Bound(unsigned own) const {
    const std::uint64_t now = platform::GetTickCount64();
    const std::uint64_t left = now < end_ ? end_ - now : 0;
    return static_cast<unsigned>(std::max<std::uint64_t>(kLeastReplyMs, std::min<std::uint64_t>(own, left)));
  }
  bool Over() const { return platform::GetTickCount64() >= end_; }
  std::uint64_t End() const { return end_; }

 private:
  std::uint64_t end_;
};

// The remembered trading client if it is still a window, else a fresh search,
// which the outcome keeps for the next action.  0 when there is none, or when
// it does not answer.
platform::Hwnd ReachTradingClient(platform::Hwnd remembered, OrderOutcome* outcome) {
  if (IsWindowAlive(remembered)) {
    outcome->client = remembered;
    outcome->reached = ClientReached::kRemembered;
  } else {
    outcome->client = FindTradingClient();
    outcome->reached = outcome->client > 0 ? ClientReached::kSearched : ClientReached::kNotFound;
  }
  if (outcome->client <= 0) {
    outcome->written = CodeWritten::kNoClient;
    return 0;
  }
  // Windows drops what we send a program that runs above us; the trader is
  // told why nothing came.
  outcome->higherPrivilege = ComparePrivilege(ProcessIdOfWindow(outcome->client)) == Privilege::kHigher;
  // A client that has stopped answering gets nothing: what we post would
  // open its order form long after the trader has given up on it.
  outcome->answered = AnswersWithin(outcome->client, kClientAnswerTimeoutMs);
  if (!outcome->answered) {
    outcome->written = CodeWritten::kClientSilent;
    return 0;
  }
  return outcome->client;
}

// Restoring and activating another program's window never waits on it: a
// client may answer the check above and stall right after it, in its
// activation.  The restore is left in its queue; the activation is bounded.
bool BringForward(platform::Hwnd client, bool foregroundFirst) {
  if (platform::IsIconic(client)) platform::ShowWindowAsync(client, platform::kSwRestore);
  platform::Sleep(kSettleMs);
  if (foregroundFirst) {
    platform::SetForegroundWindow(client);
    platform::Sleep(kSettleMs);
  }
  const bool inFront = ForceActivate(client);
  platform::Sleep(kSettleMs);
  return inFront;
}

bool SendToField(platform::Hwnd edit, unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                 unsigned timeoutMs) {
  std::intptr_t result = 0;
  return platform::SendMessageTimeoutA(edit, message, wParam, lParam, kSendFlags, timeoutMs, &result);
}

// The field's text, as far as needed; false when the field does not answer.
bool ReadField(platform::Hwnd edit, std::string* text, const ActionClock& clock) {
  char buffer[kReadBackBuffer] = {};
  if (!SendToField(edit, platform::kWmGetText, sizeof buffer, reinterpret_cast<std::intptr_t>(buffer),
                   clock.Bound(kReadBackTimeoutMs))) {
    return false;
  }
  text->assign(buffer, strnlen(buffer, sizeof buffer));
  return true;
}

// Types the code into the selection as a keyboard would: the characters all
// posted at once, in order, so that a slow field takes every one of them in
// its own time or none; a GBK character goes as one, its lead byte in bits 8
// to 15.
void PostCode(platform::Hwnd edit, const std::string& code) {
  for (std::size_t i = 0; i < code.size(); ++i) {
    std::uintptr_t character = static_cast<unsigned char>(code[i]);
    if (character >= 0x80 && i + 1 < code.size()) character = character << 8 | static_cast<unsigned char>(code[++i]);
    platform::PostMessageA(edit, platform::kWmChar, character, 1);
  }
}

// Reads the typed field back until it holds the code or the time is up.
CodeWritten AwaitTyped(platform::Hwnd edit, const std::string& code, CodeWritten typed, const ActionClock& clock,
                       OrderOutcome* outcome) {
  for (;;) {
    if (!ReadField(edit, &outcome->fieldText, clock)) return CodeWritten::kTypedNotReadBack;
    if (HoldsCode(outcome->fieldText, code)) return typed;
    if (clock.Over()) return CodeWritten::kNotLanded;
    platform::Sleep(kReadBackPauseMs);
  }
}

// Types the code over the whole field and reads it back.  Never typed after a
// refused selection: the code would go beside the old one and make another.
CodeWritten TypeOver(platform::Hwnd edit, const std::string& code, CodeWritten typed, const ActionClock& clock,
                     OrderOutcome* outcome) {
  if (!SendToField(edit, platform::kEmSetSel, 0, -1, clock.Bound(kFieldReplyTimeoutMs))) {
    return CodeWritten::kSelectFailed;
  }
  PostCode(edit, code);
  return AwaitTyped(edit, code, typed, clock, outcome);
}

// The same on the keyboard, for fields that take nothing else: typed only
// while the client's field is the one the keys reach, and read back.
CodeWritten KeyOver(platform::Hwnd client, platform::Hwnd edit, const std::string& code, CodeWritten keyed,
                    const ActionClock& clock, OrderOutcome* outcome) {
  if (!SendToField(edit, platform::kEmSetSel, 0, -1, clock.Bound(kFieldReplyTimeoutMs))) {
    return CodeWritten::kSelectFailed;
  }
  outcome->realKeys = TypeRealKeys(client, edit, code, clock.End());
  if (outcome->realKeys != RealKeys::kTyped) return CodeWritten::kNotKeyed;
  return AwaitTyped(edit, code, keyed, clock, outcome);
}

// Some clients leave the field as it was after a replace, and some look the
// security up only on keys typed on the keyboard: the field is read back, and
// the code typed on the keyboard once where the replace did not land.  A
// message the field did not answer in time may still be handled later, so
// nothing follows one.
CodeWritten EnterCode(platform::Hwnd client, platform::Hwnd edit, const std::string& code, CodeEntry entry,
                      const ActionClock& clock, OrderOutcome* outcome) {
  if (entry == CodeEntry::kType) return TypeOver(edit, code, CodeWritten::kTypedBySetting, clock, outcome);
  if (entry == CodeEntry::kRealKeys) return KeyOver(client, edit, code, CodeWritten::kKeyedBySetting, clock, outcome);
  bool selected = false;
  if (!ReplaceEditText(edit, code, &selected, clock.Bound(kFieldReplyTimeoutMs))) {
    return selected ? CodeWritten::kFieldSilent : CodeWritten::kSelectFailed;
  }
  if (!ReadField(edit, &outcome->fieldText, clock)) return CodeWritten::kFieldSilent;
  if (HoldsCode(outcome->fieldText, code)) return CodeWritten::kReplaced;
  return KeyOver(client, edit, code, CodeWritten::kKeyedAfterIgnoredReplace, clock, outcome);
}

// A digit, ASCII or full-width, at byte i of a GBK text.
bool DigitAt(const std::string& text, std::size_t i) {
  if (i >= text.size()) return false;
  const auto byte = static_cast<unsigned char>(text[i]);
  if (byte >= '0' && byte <= '9') return true;
  return byte == 0xA3 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0xB0 &&
         static_cast<unsigned char>(text[i + 1]) <= 0xB9;
}

}  // namespace

OrderOutcome OpenOrderForm(const std::string& code, platform::Hwnd rememberedClient, std::int32_t hotKey,
                           CodeEntry entry) {
  OrderOutcome outcome;
  outcome.client = rememberedClient;
  if (TextToInt(code) <= 0) {
    outcome.written = CodeWritten::kNoCode;
    return outcome;
  }
  const ActionClock clock;
  const platform::Hwnd client = ReachTradingClient(rememberedClient, &outcome);
  if (client <= 0) return outcome;

  outcome.inFront = BringForward(client, true);
  if (entry == CodeEntry::kRealKeys) {
    // A client that reads the keyboard's state opens its form only for a key
    // that is down on it.
    outcome.realKeys = PressRealKey(client, hotKey, clock.End());
    if (outcome.realKeys != RealKeys::kTyped) {
      outcome.written = CodeWritten::kNotKeyed;
      return outcome;
    }
    outcome.keyOnKeyboard = true;
  } else {
    PostKeyPress(client, hotKey);
  }
  outcome.keyPosted = hotKey;
  const std::uint64_t keyAt = platform::GetTickCount64();
  platform::Sleep(kFormOpenMs);

  // Whatever is in front now decides; the form may take a while to appear.
  for (int look = 0; look < kFieldLooks; ++look) {
    const platform::Hwnd focus = GetForegroundFocus();
    outcome.focusedClass = platform::GetClassNameA(focus, kClassNameBuffer);
    if (outcome.focusedClass == kCodeFieldClass) {
      outcome.fieldAfterMs = static_cast<std::int64_t>(platform::GetTickCount64() - keyAt);
      outcome.written = EnterCode(client, focus, code, entry, clock, &outcome);
      return outcome;
    }
    platform::Sleep(kFieldLookPauseMs);
  }
  outcome.written = CodeWritten::kNoField;
  return outcome;
}

OrderOutcome SendFunctionKey(platform::Hwnd rememberedClient, std::int32_t functionKey) {
  OrderOutcome outcome;
  const platform::Hwnd client = ReachTradingClient(rememberedClient, &outcome);
  if (client <= 0) return outcome;

  outcome.inFront = BringForward(client, false);
  PostKeyPress(client, functionKey);
  outcome.keyPosted = functionKey;
  return outcome;
}

bool ReplaceEditText(platform::Hwnd edit, const std::string& text, bool* selected, unsigned timeoutMs) {
  // Without the selection the code would land beside the field's old content
  // and make a different, wrong code; better to leave the field alone.
  const bool all = SendToField(edit, platform::kEmSetSel, 0, -1, timeoutMs);
  if (selected) *selected = all;
  if (!all) return false;
  // wParam 1: the trader can undo the replacement in the field.
  return SendToField(edit, platform::kEmReplaceSel, 1, reinterpret_cast<std::intptr_t>(text.c_str()), timeoutMs);
}

bool HoldsCode(const std::string& fieldText, const std::string& code) {
  if (code.empty()) return false;
  bool digitBefore = false;
  // Character by character, so that a match never starts on a trail byte.
  for (std::size_t i = 0; i < fieldText.size();) {
    if (!digitBefore && fieldText.compare(i, code.size(), code) == 0 && !DigitAt(fieldText, i + code.size()))
      return true;
    digitBefore = DigitAt(fieldText, i);
    i += static_cast<unsigned char>(fieldText[i]) >= 0x80 && i + 1 < fieldText.size() ? 2 : 1;
  }
  return false;
}
